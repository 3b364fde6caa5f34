#include "bus_linux/raw_io_port.hpp"

#include <cerrno>

#include "bus/port_addresses.hpp"
#include "bus_linux/port_failure.hpp"

namespace bus {

namespace {
constexpr unsigned long kRegisterCount = 3;  // data, status, control
}

RawIoPort::RawIoPort(std::uint16_t base_address, std::optional<StatusPin> lock_pin,
                     const PortIoCalls& calls)
    : base_address_(base_address), lock_pin_(lock_pin), calls_(calls) {}

RawIoPort::~RawIoPort() {
  if (permitted_) calls_.ioperm(base_address_, kRegisterCount, 0);
}

std::string RawIoPort::name() const { return label() + " (raw I/O)"; }

std::string RawIoPort::label() const { return hex_address(base_address_); }

std::string RawIoPort::register_span() const {
  return "I/O ports " + hex_address(base_address_) + "-" +
         hex_address(static_cast<std::uint16_t>(base_address_ + kRegisterCount - 1));
}

void RawIoPort::bind() {
  if (calls_.ioperm(base_address_, kRegisterCount, 1) != 0) {
    port_failure(PortStep::permit, register_span(), errno);
  }
  permitted_ = true;
}

void RawIoPort::write(Register target, std::uint8_t value) {
  calls_.outb(value, address_of(target, base_address_));
}

std::optional<std::string> RawIoPort::lock_line() const {
  return lock_line_of(lock_pin_);
}

bool RawIoPort::lock_level() {
  const auto status = static_cast<std::uint16_t>(base_address_ + kStatusRegisterOffset);
  return pin_level(*lock_pin_, calls_.inb(status));
}

}  // namespace bus
