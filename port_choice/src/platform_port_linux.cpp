#include "bus_ftdi/ftdi_port.hpp"
#include "bus_linux/gpio_port.hpp"
#include "bus_linux/libftdi_adapter.hpp"
#include "bus_linux/parport_discovery.hpp"
#include "bus_linux/ppdev_port.hpp"
#include "port_choice/port_choice.hpp"
#include "raw_io_choice.hpp"

namespace port_choice {

namespace {

std::unique_ptr<bus::Port> ppdev(const bus::ParportDevice& device) {
  return std::make_unique<bus::PpdevPort>(device.path, device.base);
}

// The back end for each kind of --port value.
struct BackEnds {
  std::unique_ptr<bus::Port> operator()(const cli::DevicePath& device) const {
    return ppdev({device.path, bus::parport_base(device.path)});
  }
  std::unique_ptr<bus::Port> operator()(const cli::IoAddress& address) const {
    return raw_io_port(address.base);
  }
  std::unique_ptr<bus::Port> operator()(const cli::GpioLines& gpio) const {
    return std::make_unique<bus::GpioPort>(gpio.chip, gpio.lines);
  }
  std::unique_ptr<bus::Port> operator()(const bus::FtdiAddress& ftdi) const {
    return std::make_unique<bus::FtdiPort>(std::make_unique<bus::LibftdiAdapter>(), ftdi);
  }
};

}  // namespace

std::unique_ptr<bus::Port> platform_port(const std::optional<cli::PortArgument>& choice) {
  if (!choice) return ppdev(bus::standard_parport());
  return std::visit(BackEnds{}, *choice);
}

}  // namespace port_choice
