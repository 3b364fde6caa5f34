#include "words/word_b.hpp"

#include <gtest/gtest.h>

namespace {

words::WordBSettings start_up() { return {0, "0000", 0, "00", 0, "0000"}; }

TEST(WordB, StartUpSettingsCompose) {
  EXPECT_EQ(words::compose_word_b(start_up()), "1100000100000000");
}

TEST(WordB, AllOptionsSetCompose) {
  // REFH on, 2.3 mA, SLA on, phase detector off, BRM on, in-lock counter on the test pin.
  const words::WordBSettings settings{1, "1110", 1, "11", 1, "0101"};
  EXPECT_EQ(words::compose_word_b(settings), "1111110111110101");
}

TEST(Toggle, AnyValueOtherThanOneBecomesOne) {
  std::int16_t flag = 7;
  EXPECT_EQ(words::toggle(flag, words::kSLATexts), "Load mode - synchronous");
  EXPECT_EQ(flag, 1);
  flag = -1;
  EXPECT_EQ(words::toggle(flag, words::kBRMTexts), "Current switched");
  EXPECT_EQ(flag, 1);
}

TEST(Lists, IndexOutsideTheTableGivesNoCode) {
  EXPECT_FALSE(words::code_at(words::kCurrentRows, -1));
  EXPECT_FALSE(words::code_at(words::kCurrentRows, 5));
  EXPECT_FALSE(words::code_at(words::kPhaseRows, 3));
  EXPECT_FALSE(words::code_at(words::kTestRows, 4));
}

TEST(Lists, CodeGivesTheItemBack) {
  EXPECT_EQ(words::item_for(words::kCurrentRows, "1110"), "2.3");
  EXPECT_EQ(words::item_for(words::kPhaseRows, "00"), "Automatic off");
  EXPECT_FALSE(words::item_for(words::kPhaseRows, "01"));
}

}  // namespace
