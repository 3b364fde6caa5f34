#include "bus_linux/ppdev_port.hpp"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "bus/port_addresses.hpp"
#include "bus_linux/port_failure.hpp"

namespace bus {

PpdevPort::PpdevPort(std::string device, std::optional<std::uint16_t> base_address,
                     std::optional<StatusPin> lock_pin, const SystemCalls& calls,
                     std::filesystem::path proc_root)
    : device_(std::move(device)),
      base_address_(base_address),
      lock_pin_(lock_pin),
      calls_(calls),
      proc_root_(std::move(proc_root)) {}

PpdevPort::~PpdevPort() {
  if (fd_ < 0) return;
  // The lines keep their last levels, which after any transmission is the rest state.
  calls_.ioctl(fd_, PPRELEASE, nullptr);
  calls_.close(fd_);
}

std::string PpdevPort::name() const {
  if (!base_address_) return device_ + " (ppdev)";
  return device_ + " (" + hex_address(*base_address_) + ", ppdev)";
}

void PpdevPort::bind() {
  // Exclusive access keeps other parport drivers (lp, printers) off the lines mid-word. The
  // kernel refuses it while such a driver is registered on the port, busy or idle: share the
  // port then, as that driver does, but only while nobody holds it, since a shared claim waits
  // for the holder without end.
  int reason = claim(true);
  if (reason == ENXIO && parport_idle(device_, proc_root_)) reason = claim(false);
  if (reason != 0) port_failure(PortStep::claim, device_, reason);
}

int PpdevPort::claim(bool exclusive) {
  const int fd = calls_.open(device_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) port_failure(PortStep::open, device_, errno);
  if (exclusive) calls_.ioctl(fd, PPEXCL, nullptr);
  if (calls_.ioctl(fd, PPCLAIM, nullptr) != 0) {
    const int reason = errno;
    calls_.close(fd);
    return reason;
  }
  fd_ = fd;
  return 0;
}

void PpdevPort::write(Register target, std::uint8_t value) {
  unsigned char byte = value;
  const unsigned long request = target == Register::data ? PPWDATA : PPWCONTROL;
  if (calls_.ioctl(fd_, request, &byte) != 0) port_failure(PortStep::write, device_, errno);
}

std::optional<std::string> PpdevPort::lock_line() const {
  return lock_line_of(lock_pin_);
}

bool PpdevPort::lock_level() {
  unsigned char status = 0;
  if (calls_.ioctl(fd_, PPRSTATUS, &status) != 0) {
    port_failure(PortStep::read, *lock_line() + " of " + device_, errno);
  }
  return pin_level(*lock_pin_, status);
}

}  // namespace bus
