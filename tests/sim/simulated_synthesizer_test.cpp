#include "sim/simulated_synthesizer.hpp"

#include <gtest/gtest.h>

#include <string>

#include "bus/transmitter.hpp"
#include "support/counting_spin.hpp"
#include "words/word_a.hpp"

namespace {

constexpr std::uint16_t kBase = 888;

// Drives the pins directly, with a pattern of its own rather than the transmitter's.
void write_frame(sim::SimulatedSynthesizer& chip, const std::string& bits, bool load_pulse) {
  chip.write(kBase + 2, 0);
  for (const char bit : bits) {
    const std::uint8_t data = bit == '1' ? 0x08 : 0x00;
    chip.write(kBase, data);
    chip.write(kBase, data | 0x80);
    chip.write(kBase, 0);
  }
  chip.write(kBase + 2, 1);
  if (load_pulse) {
    chip.write(kBase, 0x80);
    chip.write(kBase, 0);
  }
}

TEST(SimulatedSynthesizer, LoadsEveryDividerOfTheSliderSentByTheTransmitter) {
  sim::SimulatedSynthesizer chip{kBase};
  bus::Inpout library{chip};
  const bus::BusSettings settings{888, 0};
  const bus::Transmitter transmitter{settings, library, support::counting_spin};
  long sent = 0;
  for (std::int32_t n = 7370; n <= 13070; ++n, ++sent) {
    transmitter.Send(words::converD_B(n));
    ASSERT_EQ(chip.decoded_word_a()->divider, n);
  }
  EXPECT_EQ(chip.counts().words_loaded, sent);
  EXPECT_EQ(chip.counts().malformed_words, 0);
  EXPECT_EQ(chip.counts().clock_pulses, 18 * sent);
  EXPECT_FALSE(chip.word_b());
}

TEST(SimulatedSynthesizer, DecodesWordAIntoFrequencies) {
  sim::SimulatedSynthesizer chip{kBase};
  write_frame(chip, "00010110110101010", true);
  const auto word = chip.decoded_word_a();
  ASSERT_TRUE(word);
  EXPECT_EQ(word->divider, 11690);
  EXPECT_EQ(word->oscillator_khz, 116900);
  EXPECT_DOUBLE_EQ(word->received_mhz, 106.2);
  EXPECT_EQ(chip.summary(), "Simulated: N 11690");
  EXPECT_NE(chip.description().find("N 11690, 106.2 MHz"), std::string::npos);
}

TEST(SimulatedSynthesizer, DecodesWordBWithEveryOptionSet) {
  sim::SimulatedSynthesizer chip{kBase};
  write_frame(chip, "01111110111110101", true);
  const auto word = chip.decoded_word_b();
  ASSERT_TRUE(word);
  EXPECT_DOUBLE_EQ(word->reference_khz, 1.25);
  EXPECT_EQ(word->current, "2.3 mA");
  EXPECT_TRUE(word->synchronous_load);
  EXPECT_EQ(word->phase_detector, "Off");
  EXPECT_TRUE(word->current_switched);
  EXPECT_EQ(word->test_pin, "Output in-lock counter");
  EXPECT_FALSE(chip.word_a());
}

TEST(SimulatedSynthesizer, DescribesTheStartUpWordB) {
  sim::SimulatedSynthesizer chip{kBase};
  write_frame(chip, "01100000100000000", true);
  EXPECT_EQ(sim::describe(*chip.decoded_word_b()),
            "REFH 1 kHz, current 0.023 mA, SLA asynchronous, phase detector Automatic off, "
            "BRM current always on, test pin 1");
}

TEST(SimulatedSynthesizer, SamplesDataOnTheRisingClockEdge) {
  sim::SimulatedSynthesizer chip{kBase};
  chip.write(kBase + 2, 0);
  for (const char bit : std::string("00010110110101010")) {
    // Data changes while the clock is high must not matter.
    chip.write(kBase, bit == '1' ? 0x88 : 0x80);
    chip.write(kBase, bit == '1' ? 0x80 : 0x88);
    chip.write(kBase, 0);
  }
  chip.write(kBase + 2, 1);
  chip.write(kBase, 0x80);
  EXPECT_EQ(chip.word_a(), "0010110110101010");
}

struct MalformedFrame {
  const char* why;
  std::string bits;
};

class RejectsMalformedTraffic : public ::testing::TestWithParam<MalformedFrame> {};

TEST_P(RejectsMalformedTraffic, CountsItAndLoadsNothing) {
  sim::SimulatedSynthesizer chip{kBase};
  write_frame(chip, GetParam().bits, true);
  EXPECT_EQ(chip.counts().malformed_words, 1);
  EXPECT_EQ(chip.counts().words_loaded, 0);
  EXPECT_FALSE(chip.word_a());
  EXPECT_FALSE(chip.word_b());
}

INSTANTIATE_TEST_SUITE_P(Frames, RejectsMalformedTraffic,
                         ::testing::Values(MalformedFrame{"no leading zero", "10010110110101010"},
                                           MalformedFrame{"sixteen bits", "0010110110101010"},
                                           MalformedFrame{"eighteen bits", "000010110110101010"},
                                           MalformedFrame{"neither A nor B", "01010110110101010"},
                                           MalformedFrame{"no bits", ""},
                                           MalformedFrame{"far too long", std::string(200, '0')}),
                         [](const auto& info) {
                           std::string name = info.param.why;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(SimulatedSynthesizer, AWordWithoutTheLoadPulseIsNeverLoaded) {
  sim::SimulatedSynthesizer chip{kBase};
  write_frame(chip, "00010110110101010", false);
  EXPECT_FALSE(chip.word_a());
  write_frame(chip, "00010110110101011", true);
  EXPECT_EQ(chip.counts().malformed_words, 1);
  EXPECT_EQ(chip.counts().words_loaded, 1);
  EXPECT_EQ(chip.decoded_word_a()->divider, 11691);
}

TEST(SimulatedSynthesizer, KeepsTheLastWordOfEachKind) {
  sim::SimulatedSynthesizer chip{kBase};
  write_frame(chip, "00010110110101010", true);
  write_frame(chip, "01100000100000000", true);
  write_frame(chip, "00001110011001010", true);
  EXPECT_EQ(chip.decoded_word_a()->divider, 7370);
  EXPECT_EQ(chip.word_b(), "1100000100000000");
  EXPECT_EQ(chip.counts().words_loaded, 3);
}

}  // namespace
