#include "bus/gpio_lines_text.hpp"
#include "bus/port_addresses.hpp"
#include "bus/unavailable_port.hpp"
#include "raw_io_choice.hpp"

namespace port_choice {

std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base, std::optional<bus::StatusPin>) {
  return std::make_unique<bus::UnavailablePort>(
      "raw port I/O at " + bus::hex_address(base) + " exists only on x86 PCs",
      "Use a ppdev device (--port /dev/parportN) or GPIO lines (--port " SAA_GPIO_LINES_FORM ")",
      bus::hex_address(base));
}

}  // namespace port_choice
