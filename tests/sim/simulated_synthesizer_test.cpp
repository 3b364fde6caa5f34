#include "sim/simulated_synthesizer.hpp"

#include <gtest/gtest.h>

#include "support/golden.hpp"

namespace {

// Writes `frames` to the chip's pins as simulated_chip.txt gives them: as register writes, or
// (`as_lines`) as the levels those writes make, driven directly. The data line flips while the
// clock is high: only its level at the rising edge may count.
void write_frames(sim::SimulatedSynthesizer& chip, const std::string& frames, bool as_lines) {
  using bus::Register;
  bus::LineLevels lines;
  const auto write = [&](Register target, std::uint8_t value) {
    if (!as_lines) return chip.write(target, value);
    lines = bus::levels_after(lines, target, value);
    chip.drive(lines);
  };
  for (const auto& frame : support::split(frames, " ")) {
    write(Register::control, 0);
    for (const char bit : frame.substr(1, frame.find(']') - 1)) {
      const std::uint8_t data = bit == '1' ? 8 : 0;
      write(Register::data, data);
      write(Register::data, data | 128);
      write(Register::data, (data ^ 8) | 128);
      write(Register::data, 0);
    }
    write(Register::control, 1);
    if (frame.ends_with('-')) continue;
    write(Register::data, 128);
    write(Register::data, 0);
  }
}

TEST(SimulatedSynthesizer, LoadsWellFormedWordsAndSaysWhatTheySet) {
  for (const bool as_lines : {false, true}) {
    for (const auto& row : support::golden("simulated_chip.txt")) {
      const auto columns = support::fields(row);
      sim::SimulatedSynthesizer chip;
      write_frames(chip, columns[0], as_lines);
      EXPECT_EQ(chip.description(), columns[1]) << row << (as_lines ? " (as lines)" : "");
    }
  }
}

}  // namespace
