#include <string>

#include "bus_linux/raw_io_port.hpp"
#include "fake_kernel.hpp"

namespace fake_kernel {
namespace {

int fake_ioperm(unsigned long from, unsigned long count, int on) {
  const auto numbers =
      std::to_string(from) + " " + std::to_string(count) + " " + std::to_string(on);
  return refused("ioperm", numbers) ? -1 : 0;
}

void fake_outb(unsigned char value, unsigned short port) {
  refused("outb", std::to_string(port) + " " + std::to_string(value));
}

unsigned char fake_inb(unsigned short port) {
  refused("inb", std::to_string(port));
  return static_cast<unsigned char>(kernel.levels);
}

constexpr bus::PortIoCalls kPortIoCalls{fake_ioperm, fake_outb, fake_inb};

}  // namespace

std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base, std::optional<bus::StatusPin> lock_pin) {
  return std::make_unique<bus::RawIoPort>(base, lock_pin, kPortIoCalls);
}

}  // namespace fake_kernel
