#include "sweep_argument.hpp"

#include <charconv>

#include "form/control.hpp"
#include "form/scroll_range.hpp"

namespace cli {

namespace {

const form::ScrollRange& slider() { return form::scroll_range(form::Control::hscDiv); }

[[noreturn]] void invalid(std::string_view value) {
  throw UsageError("invalid --sweep value '" + std::string(value) +
                   "': give dividers FROM-TO or FROM-TO/STEP, such as " +
                   std::to_string(slider().minimum) + "-" + std::to_string(slider().maximum) + "/" +
                   std::to_string(slider().small_change));
}

std::int32_t number(std::string_view text, std::string_view value) {
  std::int32_t result = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) invalid(value);
  return result;
}

}  // namespace

Sweep parse_sweep(std::string_view value) {
  const auto& range = slider();
  if (value.empty()) return {range.minimum, range.maximum, range.small_change};
  const auto dash = value.find('-');
  const auto slash = value.find('/');
  if (dash == std::string_view::npos || (slash != std::string_view::npos && slash < dash)) {
    invalid(value);
  }
  const std::string_view to = value.substr(
      dash + 1, slash == std::string_view::npos ? std::string_view::npos : slash - dash - 1);
  const Sweep sweep{number(value.substr(0, dash), value), number(to, value),
                    slash == std::string_view::npos ? range.small_change
                                                    : number(value.substr(slash + 1), value)};
  if (sweep.from < range.minimum || sweep.to > range.maximum || sweep.from > sweep.to) {
    throw UsageError("--sweep " + std::string(value) + ": the dividers go from " +
                     std::to_string(range.minimum) + " up to " + std::to_string(range.maximum));
  }
  // Wider than the slider it would only ever take one step (and could overflow the next).
  const std::int32_t widest = range.maximum - range.minimum;
  if (sweep.step < 1 || sweep.step > widest) {
    throw UsageError("--sweep " + std::string(value) + ": the step is 1 to " +
                     std::to_string(widest));
  }
  return sweep;
}

}  // namespace cli
