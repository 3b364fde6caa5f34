#include "bus/wiring.hpp"
#include "bus_ftdi/ftdi_port.hpp"
#include "bus_linux/gpio_port.hpp"
#include "bus_linux/libftdi_adapter.hpp"
#include "bus_linux/parport_discovery.hpp"
#include "bus_linux/ppdev_port.hpp"
#include "port_choice/port_choice.hpp"
#include "raw_io_choice.hpp"

namespace port_choice {

namespace {

std::unique_ptr<bus::Port> ppdev(const bus::ParportDevice& device,
                                 std::optional<bus::StatusPin> lock_pin) {
  return std::make_unique<bus::PpdevPort>(device.path, device.base, lock_pin);
}

// The back end for each kind of --port value. A GPIO or FTDI port's lock line is part of it.
struct BackEnds {
  std::optional<bus::StatusPin> lock_pin;  // the parallel port's

  std::unique_ptr<bus::Port> operator()(const cli::DevicePath& device) const {
    return ppdev({device.path, bus::parport_base(device.path)}, lock_pin);
  }
  std::unique_ptr<bus::Port> operator()(const cli::IoAddress& address) const {
    return raw_io_port(address.base, lock_pin);
  }
  std::unique_ptr<bus::Port> operator()(const cli::GpioLines& gpio) const {
    return std::make_unique<bus::GpioPort>(gpio.chip, gpio.lines, gpio.lock);
  }
  std::unique_ptr<bus::Port> operator()(const bus::FtdiAddress& ftdi) const {
    return std::make_unique<bus::FtdiPort>(std::make_unique<bus::LibftdiAdapter>(), ftdi);
  }
};

}  // namespace

std::unique_ptr<bus::Port> platform_port(const cli::Options& options) {
  const auto& lock_pin = options.lock_pin;
  if (!options.port) return ppdev(bus::standard_parport(), lock_pin);
  return std::visit(BackEnds{lock_pin}, *options.port);
}

}  // namespace port_choice
