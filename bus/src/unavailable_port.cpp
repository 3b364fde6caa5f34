#include "bus/unavailable_port.hpp"

#include "common/fatal_error.hpp"

namespace bus {

void UnavailablePort::bind() {
  throw common::FatalError("Cannot open the parallel port: " + reason_ +
                           " Try --simulate to use the simulated SAA1057.");
}

void UnavailablePort::write(Register, std::uint8_t) { bind(); }

}  // namespace bus
