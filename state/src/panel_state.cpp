#include "state/panel_state.hpp"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "cli/options.hpp"
#include "cli/word_b_argument.hpp"
#include "common/failure_message.hpp"
#include "common/program_name.hpp"
#include "form/scroll_range.hpp"
#include "state/state_folder.hpp"

namespace state {

namespace {

std::string first_line() {
  return std::string(common::kProgramName) + " state " + std::to_string(kStateVersion);
}

// The next line of `text`, taken from it; a CR before its end is not part of it.
std::string_view take_line(std::string_view& text) {
  const auto end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

// "divider 10680": the value after `key`, a whole number within `range`; else why not.
std::variant<int, std::string> number(std::string_view line, std::string_view key,
                                      const form::ScrollRange& range) {
  int value = 0;
  const std::string_view digits = line.substr(std::min(line.size(), key.size() + 1));
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  const std::string in_range =
      " (" + std::to_string(range.minimum) + " to " + std::to_string(range.maximum) + ")";
  if (!line.starts_with(std::string(key) + " ") || error != std::errc{} ||
      end != digits.data() + digits.size() || digits.empty()) {
    return "its line " + common::quoted(line) + " is not \"" + std::string(key) + " N\"";
  }
  if (value < range.minimum || value > range.maximum) {
    return std::string(key) + " " + std::to_string(value) + " is off the slider" + in_range;
  }
  return value;
}

}  // namespace

std::string format_state(const PanelState& state) {
  const std::string word_b = state.word_b ? " " + cli::format_word_b(*state.word_b) : "";
  return first_line() + "\ndivider " + std::to_string(state.divider) + "\nword-b" + word_b +
         "\nspeed " + std::to_string(state.speed) + "\n";
}

std::variant<PanelState, std::string> parse_state(std::string_view text) {
  const std::string_view version = take_line(text);
  const std::string prefix = std::string(common::kProgramName) + " state ";
  const std::string_view version_number = version.substr(std::min(version.size(), prefix.size()));
  if (!version.starts_with(prefix) || version_number.empty() || version_number.size() > 9 ||
      version_number.find_first_not_of("0123456789") != std::string_view::npos) {
    return "its first line is not \"" + first_line() + "\"";
  }
  if (version != first_line()) {
    return "it is of version " + std::string(version_number) + ", this program's " +
           std::to_string(kStateVersion);
  }
  PanelState state;
  const auto divider =
      number(take_line(text), "divider", form::scroll_range(form::Control::hscDiv));
  if (const auto* why = std::get_if<std::string>(&divider)) return *why;
  state.divider = std::get<int>(divider);
  const std::string_view word_b = take_line(text);
  if (word_b != "word-b" && !word_b.starts_with("word-b ")) {
    return "its third line is not \"word-b SETTINGS\"";
  }
  try {
    if (word_b != "word-b") state.word_b = cli::parse_word_b(word_b.substr(7));
  } catch (const cli::UsageError& error) {
    return std::string("its Word B: ") + error.what();
  }
  const auto speed = number(take_line(text), "speed", form::scroll_range(form::Control::scvDel));
  if (const auto* why = std::get_if<std::string>(&speed)) return *why;
  state.speed = std::get<int>(speed);
  if (!text.empty()) return "it goes on after the speed";
  return state;
}

std::string default_state_path() {
  return (std::filesystem::path(state_folder()) / kStateFileName).string();
}

}  // namespace state
