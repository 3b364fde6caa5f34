#include "words/typed_frequency.hpp"

#include <algorithm>
#include <charconv>

#include "words/word_a.hpp"

namespace words {

std::variant<std::int32_t, std::string> divider_for_typed_mhz(std::string_view typed) {
  const auto first = typed.find_first_not_of(" \t");
  typed = first == std::string_view::npos ? "" : typed.substr(first);
  typed = typed.substr(0, typed.find_last_not_of(" \t") + 1);
  std::string text(typed);
  std::replace(text.begin(), text.end(), ',', '.');
  double mhz = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), mhz);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
    return "\"" + text + "\" is not a frequency in MHz, such as 96.1";
  }
  const auto divider = divider_for_hz(mhz * 1e6);
  if (!divider) return text + " MHz is outside the tuning range, " + tuning_range_text();
  return *divider;
}

std::string tuning_range_text() {
  return frequency_text(received_mhz(kLowestDivider)) + " to " +
         frequency_text(received_mhz(kHighestDivider)) + " MHz";
}

}  // namespace words
