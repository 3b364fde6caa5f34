#include "bus/line_map.hpp"
#include "bus/unavailable_port.hpp"
#include "bus_windows/inpout_dll_port.hpp"
#include "port_choice/port_choice.hpp"

namespace port_choice {

std::unique_ptr<bus::Port> platform_port(const std::optional<cli::PortArgument>& choice) {
  if (choice && !std::holds_alternative<cli::IoAddress>(*choice)) {
    return std::make_unique<bus::UnavailablePort>(
        "a device path or GPIO lines name Linux devices",
        "Give --port the port's I/O address (such as 0x378)", "No port");
  }
  const auto base = choice ? std::get<cli::IoAddress>(*choice).base
                           : static_cast<std::uint16_t>(bus::line_map::kStandardBase);
  return std::make_unique<bus::InpoutDllPort>(bus::default_inpout_library(), base);
}

}  // namespace port_choice
