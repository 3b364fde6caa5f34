#include "bus/inpout.hpp"

namespace bus {

void Inpout::Out32(std::int16_t port, std::int16_t value) {
  if (!bound_) {
    port_.bind();
    bound_ = true;
  }
  port_.write(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace bus
