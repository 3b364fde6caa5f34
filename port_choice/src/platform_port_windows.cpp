#include "bus/port_addresses.hpp"
#include "bus/unavailable_port.hpp"
#include "bus/wiring.hpp"
#include "bus_ftdi/ftdi_port.hpp"
#include "bus_windows/d2xx_adapter.hpp"
#include "bus_windows/inpout_dll_port.hpp"
#include "port_choice/port_choice.hpp"

namespace port_choice {

namespace {

std::unique_ptr<bus::Port> inpout(std::uint16_t base, std::optional<bus::StatusPin> lock_pin) {
  return std::make_unique<bus::InpoutDllPort>(bus::default_inpout_library(), base, lock_pin);
}

// The back end for each kind of --port value. An FTDI port's lock line is part of it.
struct BackEnds {
  std::optional<bus::StatusPin> lock_pin;  // the parallel port's

  std::unique_ptr<bus::Port> operator()(const cli::IoAddress& address) const {
    return inpout(address.base, lock_pin);
  }
  std::unique_ptr<bus::Port> operator()(const bus::FtdiAddress& ftdi) const {
    return std::make_unique<bus::FtdiPort>(std::make_unique<bus::D2xxAdapter>(), ftdi);
  }
  // Device paths and GPIO lines.
  std::unique_ptr<bus::Port> operator()(const auto&) const {
    return std::make_unique<bus::UnavailablePort>(
        "a device path or GPIO lines name Linux devices",
        "Give --port the port's I/O address (such as 0x378)", "No port");
  }
};

}  // namespace

std::unique_ptr<bus::Port> platform_port(const cli::Options& options) {
  const auto& lock_pin = options.lock_pin;
  if (!options.port) return inpout(static_cast<std::uint16_t>(bus::kStandardBase), lock_pin);
  return std::visit(BackEnds{lock_pin}, *options.port);
}

}  // namespace port_choice
