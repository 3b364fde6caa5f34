#include "sim/simulated_synthesizer.hpp"

#include <gtest/gtest.h>

#include "support/golden.hpp"

namespace {

// Writes `frames` to the chip's pins as simulated_chip.txt gives them. The data line flips while
// the clock is high: only its level at the rising edge may count.
void write_frames(sim::SimulatedSynthesizer& chip, const std::string& frames) {
  using bus::Register;
  for (const auto& frame : support::split(frames, " ")) {
    chip.write(Register::control, 0);
    for (const char bit : frame.substr(1, frame.find(']') - 1)) {
      const std::uint8_t data = bit == '1' ? 8 : 0;
      chip.write(Register::data, data);
      chip.write(Register::data, data | 128);
      chip.write(Register::data, (data ^ 8) | 128);
      chip.write(Register::data, 0);
    }
    chip.write(Register::control, 1);
    if (frame.ends_with('-')) continue;
    chip.write(Register::data, 128);
    chip.write(Register::data, 0);
  }
}

TEST(SimulatedSynthesizer, LoadsWellFormedWordsAndSaysWhatTheySet) {
  for (const auto& row : support::golden("simulated_chip.txt")) {
    const auto columns = support::fields(row);
    sim::SimulatedSynthesizer chip;
    write_frames(chip, columns[0]);
    EXPECT_EQ(chip.description(), columns[1]) << row;
  }
}

}  // namespace
