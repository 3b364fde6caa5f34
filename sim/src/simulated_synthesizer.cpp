#include "sim/simulated_synthesizer.hpp"

#include "bus/wiring.hpp"
#include "sim/oscillator_model.hpp"
#include "words/frame.hpp"
#include "words/word_b.hpp"

namespace sim {

void SimulatedSynthesizer::write(bus::Register target, std::uint8_t value) {
  drive(bus::levels_after(lines_, target, value));
}

void SimulatedSynthesizer::drive(bus::LineLevels lines) {
  const bus::LineLevels before = lines_;
  lines_ = lines;
  if (lines_.enable && !before.enable) on_enable_asserted();
  if (!lines_.enable && before.enable) on_enable_released();
  if (lines_.clock && !before.clock) on_rising_clock(lines_.data);
}

void SimulatedSynthesizer::on_enable_asserted() {
  if (pending_word_) {
    ++counts_.malformed_words;
    pending_word_.reset();
  }
  shift_register_.clear();
  bits_shifted_ = 0;
}

void SimulatedSynthesizer::on_rising_clock(bool data) {
  if (lines_.enable) {
    ++bits_shifted_;
    // Longer frames are malformed whatever they hold; keep only enough bits to know that.
    if (shift_register_.size() <= words::kFrameBits) shift_register_ += data ? '1' : '0';
  } else if (pending_word_) {
    load(*pending_word_);
    pending_word_.reset();
  }
}

void SimulatedSynthesizer::on_enable_released() {
  const std::string& bits = shift_register_;
  const bool well_formed = bits_shifted_ == static_cast<long>(words::kFrameBits) &&
                           bits[0] == '0' &&
                           (bits[1] == '0' || words::is_word_b(std::string_view(bits).substr(1)));
  if (well_formed) {
    pending_word_ = bits.substr(1);
  } else {
    ++counts_.malformed_words;
  }
}

void SimulatedSynthesizer::load(const std::string& word) {
  ++counts_.words_loaded;
  // The same divider again does not move the loop: it stays locked.
  if (word[0] == '0' && word != word_a_) word_a_loaded_at_ = clock_.now();
  (word[0] == '0' ? word_a_ : word_b_) = word;
}

std::optional<std::string> SimulatedSynthesizer::lock_line() const {
  if (!lock_line_) return std::nullopt;
  return "the simulated chip's test pin";
}

bool SimulatedSynthesizer::lock_level_in(std::chrono::nanoseconds ahead) const {
  const std::string_view test =
      word_b_ ? words::field_of(*word_b_, words::word_b_layout::kTest) : words::kTestHigh;
  const bool refh = word_b_ && words::field_of(*word_b_, words::word_b_layout::kREFH) == "1";
  const std::int32_t divider = word_a_ ? decoded_word_a()->divider : 0;
  return test_pin_level(test, refh, divider, clock_.now() + ahead - word_a_loaded_at_, in_lock_);
}

std::optional<words::DecodedWordA> SimulatedSynthesizer::decoded_word_a() const {
  if (!word_a_) return std::nullopt;
  // The chip counts by the reference of the Word B it holds.
  const words::Step step = word_b_ ? decoded_word_b()->step : words::kFirstStep;
  return words::decode_word_a(*word_a_, step);
}

std::optional<words::DecodedWordB> SimulatedSynthesizer::decoded_word_b() const {
  if (!word_b_) return std::nullopt;
  return words::decode_word_b(*word_b_);
}

std::string SimulatedSynthesizer::label() const {
  if (!word_a_) return "Simulated: no Word A";
  return "Simulated: N " + std::to_string(decoded_word_a()->divider);
}

std::string SimulatedSynthesizer::description() const {
  std::string text = "Simulated SAA1057: ";
  text += word_a_ ? words::describe(*decoded_word_a()) : "no Word A loaded";
  text += "; Word B ";
  text += word_b_ ? words::describe(*decoded_word_b()) : "not loaded";
  text += "; " + std::to_string(counts_.words_loaded) + " words loaded, " +
          std::to_string(counts_.malformed_words) + " malformed";
  return text;
}

}  // namespace sim
