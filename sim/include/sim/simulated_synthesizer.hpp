#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "bus/clock.hpp"
#include "bus/port.hpp"
#include "bus/wiring.hpp"
#include "sim/oscillator_model.hpp"
#include "words/word_decoder.hpp"

namespace sim {

struct BusCounts {
  long words_loaded = 0;
  long malformed_words = 0;
};

// A model of the SAA1057's serial input, driven by the port registers as the chip's pins see
// them. While the enable is asserted each rising clock edge shifts in the data line; when it
// is released the bits form a word, and the next rising clock edge loads it. A word is well
// formed with words::kFrameBits bits, a leading "0", then Word A ("0" first) or Word B ("11" first,
// with its fixed "1" in place); anything else, and a word that no clock pulse loads before the next
// enable, is counted as malformed.
//
// Its test pin follows oscillator_model.hpp, timed on `clock` from the load of each Word A that
// changes the divider; it is high ("1") until a Word B chooses another function.
class SimulatedSynthesizer : public bus::Port {
 public:
  // The model's time: the machine's; its own, which passes only when it is waited out; or the
  // machine's with every wait passing at once (bus::WaitSkippingClock), so that a sweep measures
  // the model exactly and at once, and a recording of the bus shows its waits.
  enum class Time { machine, model, machine_skipping_waits };

  // `lock_line`: the test pin is wired back as the lock input.
  explicit SimulatedSynthesizer(bool lock_line = false, Time time = Time::machine,
                                InLock in_lock = InLock::pulsing)
      : lock_line_(lock_line), in_lock_(in_lock), clock_(chosen_clock(time)) {}

  std::string name() const override { return "simulated SAA1057"; }
  void write(bus::Register target, std::uint8_t value) override;
  // The three lines however they arrive: an FTDI adapter's samples carry them with no registers.
  void drive(bus::LineLevels lines);

  std::optional<std::string> lock_line() const override;
  bool lock_level() override { return lock_level_in({}); }
  // The test pin's level `ahead` of now, as it will read then if no word comes first: an FTDI
  // adapter reads it in bursts, sample by sample on its own clock.
  bool lock_level_in(std::chrono::nanoseconds ahead) const;
  bus::Clock& clock() override { return clock_; }

  // The last loaded Word B, as its 16 bits; what the last loaded Word A sets.
  const std::optional<std::string>& word_b() const { return word_b_; }
  std::optional<words::DecodedWordA> decoded_word_a() const;

  const BusCounts& counts() const { return counts_; }

  std::string label() const override;        // short: "Simulated: N 11690"
  std::string description() const override;  // everything it holds, for a tooltip

 private:
  void on_enable_asserted();
  void on_rising_clock(bool data);
  void on_enable_released();
  void load(const std::string& word);
  std::optional<words::DecodedWordB> decoded_word_b() const;

  bus::LineLevels lines_;
  std::string shift_register_;
  long bits_shifted_ = 0;
  std::optional<std::string> pending_word_;
  std::optional<std::string> word_a_;
  std::optional<std::string> word_b_;
  BusCounts counts_;
  bool lock_line_;
  InLock in_lock_;
  bus::Clock& chosen_clock(Time time) {
    if (time == Time::model) return model_clock_;
    if (time == Time::machine_skipping_waits) return skipping_clock_;
    return bus::steady_clock();
  }

  bus::ModelClock model_clock_;
  bus::WaitSkippingClock skipping_clock_;
  bus::Clock& clock_;
  std::chrono::nanoseconds word_a_loaded_at_{};
};

}  // namespace sim
