#include "bus/port_addresses.hpp"
#include "bus/unavailable_port.hpp"
#include "bus_ftdi/ftdi_port.hpp"
#include "bus_windows/d2xx_adapter.hpp"
#include "bus_windows/inpout_dll_port.hpp"
#include "port_choice/port_choice.hpp"

namespace port_choice {

namespace {

std::unique_ptr<bus::Port> inpout(std::uint16_t base) {
  return std::make_unique<bus::InpoutDllPort>(bus::default_inpout_library(), base);
}

// The back end for each kind of --port value.
struct BackEnds {
  std::unique_ptr<bus::Port> operator()(const cli::IoAddress& address) const {
    return inpout(address.base);
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

std::unique_ptr<bus::Port> platform_port(const std::optional<cli::PortArgument>& choice) {
  if (!choice) return inpout(static_cast<std::uint16_t>(bus::kStandardBase));
  return std::visit(BackEnds{}, *choice);
}

}  // namespace port_choice
