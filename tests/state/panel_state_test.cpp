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
      // A file as the panel writes it is written again byte for byte.
      EXPECT_TRUE(!text.ends_with('\n') || state::format_state(*kept) == text) << row;
    } else {
      taken = std::get<std::string>(parsed);
    }
    EXPECT_EQ(taken, columns[1]) << row;
  }
}

}  // namespace
