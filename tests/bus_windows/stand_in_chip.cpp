#include "stand_in_chip.hpp"

namespace stand_in {

sim::SimulatedSynthesizer& chip() {
  // Read between Wine's turns, which on a busy machine come too far apart to see 0.2 ms pulses:
  // a board with the filter on its lock line.
  static sim::SimulatedSynthesizer chip{true, sim::SimulatedSynthesizer::Time::machine,
                                        sim::InLock::filtered};
  return chip;
}

}  // namespace stand_in
