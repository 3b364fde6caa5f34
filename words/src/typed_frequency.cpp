#include "words/typed_frequency.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/failure_message.hpp"

namespace words {

namespace {

// Without the spaces around it, a decimal comma as a point.
std::string normalized(std::string_view typed) {
  const auto first = typed.find_first_not_of(" \t");
  typed = first == std::string_view::npos ? "" : typed.substr(first);
  typed = typed.substr(0, typed.find_last_not_of(" \t") + 1);
  std::string text(typed);
  std::replace(text.begin(), text.end(), ',', '.');
  return text;
}

}  // namespace

std::variant<std::int64_t, std::string> typed_hz(std::string_view typed) {
  const std::string text = normalized(typed);
  double mhz = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), mhz);
  // Past a thousand MHz no step of the chip's reaches; the bound also keeps the Hz in range.
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      !(std::abs(mhz) < 1e6)) {
    return common::quoted(text) + " is not a frequency in MHz, such as 96.1";
  }
  return std::llround(mhz * 1e6);
}

std::variant<std::int32_t, std::string> divider_for_typed_mhz(std::string_view typed, Step step) {
  const auto hz = typed_hz(typed);
  if (const auto* why = std::get_if<std::string>(&hz)) return *why;
  const auto divider = divider_for_hz(static_cast<double>(std::get<std::int64_t>(hz)), step);
  if (!divider)
    return normalized(typed) + " MHz is outside the tuning range, " + tuning_range_text(step);
  return *divider;
}

std::variant<std::int32_t, Refusal> divider_on_grid(std::int64_t hz, Step step) {
  const auto divider = divider_for_hz(static_cast<double>(hz), step);
  if (!divider) {
    return Refusal{
        hz_frequency_text(hz) + " MHz is outside the tuning range, " + tuning_range_text(step),
        tuning_range_text(step)};
  }
  const std::int32_t below = divider_at_or_below(hz, step);
  if (received_hz(below, step) == hz) return below;
  // Within the range a frequency off the grid always has a step either side.
  const std::string low = hz_frequency_text(received_hz(below, step));
  const std::string high = hz_frequency_text(received_hz(below + 1, step));
  return Refusal{hz_frequency_text(hz) + " MHz is between the " + step_text(step) +
                     " steps the reference gives: " + low + " and " + high + " MHz",
                 low + " or " + high + " MHz"};
}

std::variant<std::int32_t, Refusal> typed_on_grid(std::string_view typed, Step step) {
  const auto hz = typed_hz(typed);
  if (const auto* why = std::get_if<std::string>(&hz)) return Refusal{*why, "Not a frequency"};
  return divider_on_grid(std::get<std::int64_t>(hz), step);
}

std::variant<std::int32_t, Refusal> typed_divider(std::string_view typed) {
  const std::string text = normalized(typed);
  std::int32_t divider = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), divider);
  const std::string range =
      std::to_string(kLowestDivider) + " to " + std::to_string(kHighestDivider);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
    return Refusal{common::quoted(text) + " is not a divider: give a whole number, " + range,
                   "N " + range};
  }
  if (divider < kLowestDivider || divider > kHighestDivider) {
    return Refusal{text + " is outside the slider's dividers, " + range, "N " + range};
  }
  return divider;
}

std::optional<std::string> beyond_every_step(std::int64_t hz) {
  const std::int64_t lowest = received_hz(kLowestDivider, kStepForREFH[0]);
  const std::int64_t highest = received_hz(kHighestDivider, kStepForREFH[1]);
  if (hz >= lowest && hz <= highest) return std::nullopt;
  return hz_frequency_text(hz) + " MHz is outside the tuning range of every reference, " +
         hz_frequency_text(lowest) + " to " + hz_frequency_text(highest) + " MHz";
}

std::string tuning_range_text(Step step) {
  return frequency_text(received_mhz(kLowestDivider, step)) + " to " +
         frequency_text(received_mhz(kHighestDivider, step)) + " MHz";
}

}  // namespace words
