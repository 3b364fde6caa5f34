#pragma once

#include "sim/simulated_synthesizer.hpp"

namespace stand_in {

// The simulated chip that a stand-in's writes drive when its test asks for the model: one per
// library, its test pin wired back, timed on the steady clock the program's reads are.
sim::SimulatedSynthesizer& chip();

}  // namespace stand_in
