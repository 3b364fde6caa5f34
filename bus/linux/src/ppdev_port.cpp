#include "bus/ppdev_port.hpp"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "bus/port_failure.hpp"
#include "bus/register_map.hpp"

namespace bus {

PpdevPort::PpdevPort(std::string device, std::optional<std::uint16_t> base_address,
                     const SystemCalls& calls)
    : device_(std::move(device)), base_address_(base_address), calls_(calls) {}

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
  const int fd = calls_.open(device_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) port_failure(PortStep::open, device_, errno);
  // Exclusive access keeps other parport drivers (lp, printers) off the lines; the kernel may
  // refuse it when such a driver is registered, and the claim below still works then.
  calls_.ioctl(fd, PPEXCL, nullptr);
  if (calls_.ioctl(fd, PPCLAIM, nullptr) != 0) {
    const int reason = errno;
    calls_.close(fd);
    port_failure(PortStep::claim, device_, reason);
  }
  fd_ = fd;
}

void PpdevPort::write(std::uint16_t address, std::uint8_t value) {
  const auto target = register_at(address);
  if (!target) refuse_stray_write(address, device_);
  unsigned char byte = value;
  const unsigned long request = *target == Register::data ? PPWDATA : PPWCONTROL;
  if (calls_.ioctl(fd_, request, &byte) != 0) port_failure(PortStep::write, device_, errno);
}

}  // namespace bus
