#include "words/word_decoder.hpp"

#include "words/frame.hpp"
#include "words/word_a.hpp"
#include "words/word_b.hpp"

namespace words {

namespace {

std::string item_or_code(std::span<const ListRow> rows, std::string_view code,
                         std::string_view unit) {
  if (const auto item = item_for(rows, code)) {
    return std::string(*item) + std::string(unit);
  }
  return "code " + std::string(code) + " (not a listed setting)";
}

}  // namespace

DecodedWordA decode_word_a(std::string_view bits, Step step) {
  DecodedWordA word;
  const std::string_view divider_bits = bits.substr(1, kWordBits - 1);  // after Word A's "0"
  for (const char bit : divider_bits) word.divider = 2 * word.divider + (bit == '1');
  word.oscillator_hz = oscillator_hz(word.divider, step);
  word.received_mhz = received_mhz(word.divider, step);
  return word;
}

DecodedWordB decode_word_b(std::string_view bits) {
  using namespace word_b_layout;
  DecodedWordB word;
  word.step = step_for_refh(field_of(bits, kREFH) == "1");
  word.current = item_or_code(kCurrentRows, field_of(bits, kCurrent), " mA");
  word.synchronous_load = field_of(bits, kSLA) == "1";
  word.phase_detector = item_or_code(kPhaseRows, field_of(bits, kPhase), "");
  word.current_switched = field_of(bits, kBRM) == "1";
  word.test_pin = item_or_code(kTestRows, field_of(bits, kTest), "");
  return word;
}

std::string describe(const DecodedWordA& word) {
  return "N " + std::to_string(word.divider) + ", " + frequency_text(word.received_mhz) + " MHz";
}

std::string describe(const DecodedWordB& word) {
  return "REFH " + frequency_text(word.step.hz / 10 / 1000.0) + " kHz, current " + word.current +
         ", SLA " + (word.synchronous_load ? "synchronous" : "asynchronous") + ", phase detector " +
         word.phase_detector + ", BRM " +
         (word.current_switched ? "current switched" : "current always on") + ", test pin " +
         word.test_pin;
}

}  // namespace words
