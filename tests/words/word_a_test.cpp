#include "words/word_a.hpp"

#include <gtest/gtest.h>

#include "support/golden.hpp"

namespace {

TEST(WordA, TellingDividersGiveTheirFrequencyTextAndWordA) {
  for (const auto& row : support::golden("tuning.txt")) {
    const auto columns = support::fields(row);
    const std::int32_t divider = std::stoi(columns[0]);
    EXPECT_EQ(words::frequency_text(words::received_mhz(divider)), columns[1]) << row;
    EXPECT_EQ(words::converD_B(divider), columns[2]) << row;
  }
}

}  // namespace
