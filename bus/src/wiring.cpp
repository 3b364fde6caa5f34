#include "bus/wiring.hpp"

namespace bus {

LineLevels levels_after(LineLevels before, Register target, std::uint8_t value) {
  using namespace wiring;
  if (target == Register::data) {
    before.clock = value & kClockBit;
    before.data = value & kDataBit;
  } else {
    before.enable = !(value & kEnableReleasedBit);
  }
  return before;
}

}  // namespace bus
