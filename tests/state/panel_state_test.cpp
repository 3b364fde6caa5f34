#include "state/panel_state.hpp"

#include <gtest/gtest.h>

#include "cli/word_b_argument.hpp"
#include "support/golden.hpp"

namespace {

TEST(StateFile, TakesWhatAKeptStateHoldsAndSaysWhyElse) {
  for (const auto& row : support::golden("state_files.txt")) {
    const auto columns = support::fields(row);
    std::string text = columns[0];
    for (auto at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at)) {
      text.replace(at, 2, "\n");
    }
    const auto parsed = state::parse_state(text);
    std::string taken;
    if (const auto* kept = std::get_if<state::PanelState>(&parsed)) {
      taken = std::to_string(kept->divider) + " " +
              (kept->word_b ? cli::format_word_b(*kept->word_b) : "-") + " " +
              std::to_string(kept->speed);
    } else {
      taken = std::get<std::string>(parsed);
    }
    EXPECT_EQ(taken, columns[1]) << row;
  }
}

TEST(StateFile, IsWrittenAsItIsRead) {
  const words::WordBChoice word_b{true, false, true, 2, 1, 3};
  EXPECT_EQ(state::format_state({10680, word_b, 300}),
            "saa1057-panel state 1\ndivider 10680\n"
            "word-b refh=1.25,current=0.23,sla=async,phase=on,brm=switched,test=lock\nspeed 300\n");
  EXPECT_EQ(state::format_state({7370, std::nullopt, 50}),
            "saa1057-panel state 1\ndivider 7370\nword-b\nspeed 50\n");
}

}  // namespace
