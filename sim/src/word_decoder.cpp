#include "sim/word_decoder.hpp"

#include "words/word_a.hpp"
#include "words/word_b.hpp"

namespace sim {

namespace {

std::string item_or_code(std::span<const words::ListRow> rows, std::string_view code,
                         std::string_view unit) {
  if (const auto item = words::item_for(rows, code)) {
    return std::string(*item) + std::string(unit);
  }
  return "code " + std::string(code) + " (not a listed setting)";
}

}  // namespace

DecodedWordA decode_word_a(std::string_view bits) {
  DecodedWordA word;
  for (const char bit : bits.substr(1, 15)) word.divider = 2 * word.divider + (bit == '1');
  word.oscillator_khz = word.divider * words::kKhzPerDividerStep;
  word.received_mhz = words::received_mhz(word.divider);
  return word;
}

DecodedWordB decode_word_b(std::string_view bits) {
  DecodedWordB word;
  word.reference_khz = bits[2] == '1' ? 1.25 : 1.0;
  word.current = item_or_code(words::kCurrentRows, bits.substr(3, 4), " mA");
  word.synchronous_load = bits[8] == '1';
  word.phase_detector = item_or_code(words::kPhaseRows, bits.substr(9, 2), "");
  word.current_switched = bits[11] == '1';
  word.test_pin = item_or_code(words::kTestRows, bits.substr(12, 4), "");
  return word;
}

std::string describe(const DecodedWordA& word) {
  return "N " + std::to_string(word.divider) + ", " + words::frequency_text(word.received_mhz) +
         " MHz";
}

std::string describe(const DecodedWordB& word) {
  return "REFH " + words::frequency_text(word.reference_khz) + " kHz, current " + word.current +
         ", SLA " + (word.synchronous_load ? "synchronous" : "asynchronous") + ", phase detector " +
         word.phase_detector + ", BRM " +
         (word.current_switched ? "current switched" : "current always on") + ", test pin " +
         word.test_pin;
}

}  // namespace sim
