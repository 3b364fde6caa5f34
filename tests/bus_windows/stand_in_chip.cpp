#include "stand_in_chip.hpp"

namespace stand_in {

sim::SimulatedSynthesizer& chip() {
  static sim::SimulatedSynthesizer chip{true};
  return chip;
}

}  // namespace stand_in
