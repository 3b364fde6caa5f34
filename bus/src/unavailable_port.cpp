#include "bus/unavailable_port.hpp"

#include "common/failure_message.hpp"
#include "common/fatal_error.hpp"

namespace bus {

void UnavailablePort::bind() {
  throw common::FatalError(common::failure_message("Cannot open the parallel port", reason_,
                                                   common::or_try_simulate(way_out_)));
}

void UnavailablePort::write(Register, std::uint8_t) { bind(); }

}  // namespace bus
