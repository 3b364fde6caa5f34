#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "words/word_a.hpp"

namespace words {

// What a loaded Word A sets: the divider and the frequencies that follow from it at the step
// of the Word B loaded before it.
struct DecodedWordA {
  std::int32_t divider = 0;
  std::int64_t oscillator_hz = 0;
  double received_mhz = 0;
};

// What a loaded Word B sets, in the words of the chip's options.
struct DecodedWordB {
  Step step = kFirstStep;  // the tuning step it sets, ten times the reference
  std::string current;     // "2.3 mA", or the raw code when the table lacks it
  bool synchronous_load = false;
  std::string phase_detector;
  bool current_switched = false;
  std::string test_pin;
};

// Both take the 16 bits after the leading zero: Word A starts with "0", Word B with "11".
DecodedWordA decode_word_a(std::string_view bits, Step step);
DecodedWordB decode_word_b(std::string_view bits);

std::string describe(const DecodedWordA& word);  // "N 11690, 106.2 MHz"
std::string describe(const DecodedWordB& word);  // "REFH 1 kHz, current 0.023 mA, ..."

}  // namespace words
