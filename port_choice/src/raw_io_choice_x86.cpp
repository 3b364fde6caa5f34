#include "bus_linux/raw_io_port.hpp"
#include "raw_io_choice.hpp"

namespace port_choice {

std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base) {
  return std::make_unique<bus::RawIoPort>(base);
}

}  // namespace port_choice
