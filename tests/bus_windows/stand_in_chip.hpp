#pragma once

#include "sim/simulated_synthesizer.hpp"

namespace stand_in {

// The simulated chip that a stand-in's writes drive when its test asks for the model: one per
// library, its test pin wired back, timed on Windows' own counter as the program's reads are.
sim::SimulatedSynthesizer& chip();

}  // namespace stand_in
