#include "bus/unavailable_port.hpp"

#include "common/failure_message.hpp"

namespace bus {

void UnavailablePort::bind() {
  throw common::failure("Cannot open the parallel port", reason_,
                        common::or_try_simulate(way_out_));
}

void UnavailablePort::write(Register, std::uint8_t) { bind(); }

}  // namespace bus
