#include "bus/gpio_port.hpp"
#include "bus/parport_discovery.hpp"
#include "bus/ppdev_port.hpp"
#include "ports/platform_port.hpp"
#include "raw_io_choice.hpp"

namespace ports {

namespace {

PlatformPort ppdev(const bus::ParportDevice& device) {
  return {std::make_unique<bus::PpdevPort>(device.path, device.base), device.path};
}

// The back end for each kind of --port value.
struct BackEnds {
  PlatformPort operator()(const cli::DevicePath& device) const {
    return ppdev({device.path, bus::parport_base(device.path)});
  }
  PlatformPort operator()(const cli::IoAddress& address) const { return raw_io_port(address.base); }
  PlatformPort operator()(const cli::GpioLines& gpio) const {
    return {std::make_unique<bus::GpioPort>(gpio.chip, gpio.lines), gpio.chip};
  }
};

}  // namespace

PlatformPort platform_port(const std::optional<cli::PortArgument>& choice) {
  if (!choice) return ppdev(bus::standard_parport());
  return std::visit(BackEnds{}, *choice);
}

}  // namespace ports
