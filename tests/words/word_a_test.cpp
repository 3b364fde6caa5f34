#include "words/word_a.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "common/fatal_error.hpp"

namespace {

struct TuningRow {
  std::int32_t divider;
  const char* frequency;
  const char* word_a;
};

class TuningTable : public ::testing::TestWithParam<TuningRow> {};

TEST_P(TuningTable, DividerGivesFrequencyTextAndWordA) {
  const auto& row = GetParam();
  EXPECT_EQ(words::frequency_text(words::received_mhz(row.divider)), row.frequency);
  EXPECT_EQ(words::converD_B(row.divider), row.word_a);
}

INSTANTIATE_TEST_SUITE_P(TellingDividers, TuningTable,
                         ::testing::Values(TuningRow{7370, "63", "0001110011001010"},
                                           TuningRow{9820, "87.5", "0010011001011100"},
                                           TuningRow{9821, "87.51", "0010011001011101"},
                                           TuningRow{11690, "106.2", "0010110110101010"},
                                           TuningRow{11770, "107", "0010110111111010"},
                                           TuningRow{13070, "120", "0011001100001110"}));

TEST(WordA, SaturatesOutsideFifteenBits) {
  EXPECT_EQ(words::converD_B(32767), "0111111111111111");
  EXPECT_EQ(words::converD_B(32768), "0111111111111111");
  EXPECT_EQ(words::converD_B(std::numeric_limits<std::int32_t>::max()), "0111111111111111");
  EXPECT_EQ(words::converD_B(0), "0000000000000000");
  EXPECT_EQ(words::converD_B(-1), "0000000000000000");
  EXPECT_EQ(words::converD_B(std::numeric_limits<std::int32_t>::min()), "0000000000000000");
}

TEST(Frequency, MaximumLiesJustBelow120AndPrintsAs120) {
  EXPECT_LT(words::received_mhz(13070), 120.0);
  EXPECT_EQ(words::frequency_text(words::received_mhz(13070)), "120");
}

TEST(Frequency, TextHasNoTrailingZerosOrPoint) {
  EXPECT_EQ(words::frequency_text(100.0), "100");
  EXPECT_EQ(words::frequency_text(0.5), "0.5");
  EXPECT_EQ(words::frequency_text(-10.7), "-10.7");
  EXPECT_EQ(words::frequency_text(1.0 / 3), "0.333333333333333");
}

TEST(Frequency, DividerTimesTenOverflowIsFatal) {
  EXPECT_THROW(words::received_mhz(214748365), common::FatalError);
  EXPECT_NO_THROW(words::received_mhz(214748364));
}

}  // namespace
