#include "cli/sweep_argument.hpp"

#include <charconv>
#include <optional>

#include "form/control.hpp"
#include "form/scroll_range.hpp"

namespace cli {

namespace {

const form::ScrollRange& slider() { return form::scroll_range(form::Control::hscDiv); }

std::optional<std::int32_t> number(std::string_view text) {
  std::int32_t result = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
  return result;
}

}  // namespace

std::variant<Sweep, std::string> sweep_range(std::string_view value) {
  const auto& range = slider();
  if (value.empty()) return Sweep{range.minimum, range.maximum, range.small_change};
  const auto dash = value.find('-');
  const auto slash = value.find('/');
  const std::string syntax = "give dividers FROM-TO or FROM-TO/STEP, such as " +
                             std::to_string(range.minimum) + "-" + std::to_string(range.maximum) +
                             "/" + std::to_string(range.small_change);
  if (dash == std::string_view::npos || (slash != std::string_view::npos && slash < dash)) {
    return syntax;
  }
  const auto from = number(value.substr(0, dash));
  const auto to = number(value.substr(
      dash + 1, slash == std::string_view::npos ? std::string_view::npos : slash - dash - 1));
  const auto step =
      slash == std::string_view::npos ? range.small_change : number(value.substr(slash + 1));
  if (!from || !to || !step) return syntax;
  if (*from < range.minimum || *to > range.maximum || *from > *to) {
    return "the dividers go from " + std::to_string(range.minimum) + " up to " +
           std::to_string(range.maximum);
  }
  // Wider than the slider it would only ever take one step (and could overflow the next).
  const std::int32_t widest = range.maximum - range.minimum;
  if (*step < 1 || *step > widest) return "the step is 1 to " + std::to_string(widest);
  return Sweep{*from, *to, *step};
}

Sweep parse_sweep(std::string_view value) {
  auto range = sweep_range(value);
  if (const auto* why = std::get_if<std::string>(&range)) {
    throw UsageError("--sweep " + std::string(value) + ": " + *why);
  }
  return std::get<Sweep>(range);
}

}  // namespace cli
