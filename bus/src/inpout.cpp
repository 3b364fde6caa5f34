#include "bus/inpout.hpp"

#include "bus/port_addresses.hpp"

namespace bus {

void Inpout::Out32(std::int16_t port, std::int16_t value) {
  if (!bound_) {
    port_.bind();
    bound_ = true;
  }
  const auto address = static_cast<std::uint16_t>(port);
  const auto target = register_at(address);
  if (!target) refuse_stray_write(address, port_.name());
  port_.write(*target, static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace bus
