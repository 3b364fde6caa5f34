#include "bus_linux/raw_io_port.hpp"
#include "raw_io_choice.hpp"

namespace port_choice {

std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base, std::optional<bus::StatusPin> lock_pin) {
  return std::make_unique<bus::RawIoPort>(base, lock_pin);
}

}  // namespace port_choice
