#include "bus/unavailable_port.hpp"

#include "common/fatal_error.hpp"

namespace bus {

void UnavailablePort::bind() {
  throw common::FatalError(
      "Cannot open the parallel port: this build has no back end for real parallel ports. "
      "Try --simulate to use the simulated SAA1057.");
}

void UnavailablePort::write(std::uint16_t, std::uint8_t) { bind(); }

}  // namespace bus
