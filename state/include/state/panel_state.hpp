#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "words/word_b_choice.hpp"

namespace state {

// What the box comes back to after a restart: the divider tuned, the settings of the last Word B
// sent, the bus speed.
struct PanelState {
  std::int32_t divider = 0;
  std::optional<words::WordBChoice> word_b;  // none sent yet
  int speed = 0;
  friend bool operator==(const PanelState&, const PanelState&) = default;
};

// The file's name in the state folder, and the version its first line gives.
inline constexpr std::string_view kStateFileName = "state";
inline constexpr int kStateVersion = 1;

// "saa1057-panel state 1", then "divider 10680", "word-b refh=1,...", "speed 100", a line each;
// "word-b" alone where no Word B was sent.
std::string format_state(const PanelState& state);

// The state that `text` holds, or why it holds none: "its first line is not ...", "it is of
// version 2", "divider 99999 is off the slider (7370 to 13070)".
std::variant<PanelState, std::string> parse_state(std::string_view text);

// <state folder>/state.
std::string default_state_path();

}  // namespace state
