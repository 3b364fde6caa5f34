#pragma once

#include <cstdint>
#include <string>

#include "bus/bus_settings.hpp"
#include "words/typed_frequency.hpp"
#include "words/word_a.hpp"
#include "words/word_b.hpp"

namespace form {

// All of the system's variables, for the life of the window. Before Form_Load every number is
// 0 and every text empty.
struct FormState : bus::BusSettings, words::WordBSettings {
  std::int32_t iDiv = 0;
  std::string sWordA;
  std::string sWordB;
  // What the chip counts by: set by the REFH of the last Word B sent, not the one composed.
  words::Step step = words::kFirstStep;
  // Why the last event tuned nothing it was asked to, for the information line; none: empty.
  words::Refusal told;
};

}  // namespace form
