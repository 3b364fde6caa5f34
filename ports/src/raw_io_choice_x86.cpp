#include "bus/raw_io_port.hpp"
#include "bus/register_map.hpp"
#include "raw_io_choice.hpp"

namespace ports {

PlatformPort raw_io_port(std::uint16_t base) {
  return {std::make_unique<bus::RawIoPort>(base), bus::hex_address(base)};
}

}  // namespace ports
