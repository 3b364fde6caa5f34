#include "cli/sweep_argument.hpp"

#include <array>

#include "form/control.hpp"
#include "form/scroll_range.hpp"
#include "sweep/sweep_report.hpp"
#include "sweep_number.hpp"
#include "words/word_a.hpp"

namespace cli {

namespace {

using Reading = std::variant<std::int32_t, std::string>;  // dividers, or why none

constexpr std::string_view kSyntax =
    "give FROM-TO or FROM-TO/STEP in MHz, such as 88-108/0.1, or as dividers ending in N, such "
    "as 8600N-12850N/5N";

const form::ScrollRange& slider() { return form::scroll_range(form::Control::hscDiv); }

std::string divider_text(std::int64_t divider) { return std::to_string(divider) + "N"; }

// "63.00 to 120.00 MHz, dividers 7370N to 13070N" at 10 kHz.
std::string band_text(words::Step step) {
  const auto& range = slider();
  return sweep::received_text(range.minimum, step) + " to " +
         sweep::received_text(range.maximum, step) + " MHz, dividers " +
         divider_text(range.minimum) + " to " + divider_text(range.maximum);
}

std::string grid_text(words::Step step) { return words::step_text(step) + " grid"; }

std::string as_typed(std::string_view text, const SweepNumber& number) {
  return std::string(text) + (number.divider ? "" : " MHz");
}

Reading end_divider(std::string_view text, const SweepNumber& number, words::Step step) {
  const auto& range = slider();
  const std::string outside = as_typed(text, number) + " is outside the band, " + band_text(step);
  if (number.divider) {
    if (number.amount < range.minimum || number.amount > range.maximum) return outside;
    return static_cast<std::int32_t>(number.amount);
  }
  const auto nearest = words::divider_for_hz(static_cast<double>(number.amount), step);
  if (!nearest) return outside;
  const std::int32_t below = words::divider_at_or_below(number.amount, step);
  if (number.whole_hz && words::received_hz(below, step) == number.amount) return below;
  return as_typed(text, number) + " is off the " + grid_text(step) + ": give " +
         sweep::received_text(below, step) + " (" + divider_text(below) + ") or " +
         sweep::received_text(below + 1, step) + " (" + divider_text(below + 1) + ")";
}

Reading step_dividers(std::string_view text, const SweepNumber& number, words::Step step) {
  const auto& range = slider();
  const std::string told = "the step " + as_typed(text, number);
  if (number.amount == 0 && number.whole_hz) {
    return told + " is zero: give 1N (" + words::step_text(step) + ") or more";
  }
  const std::int64_t dividers = number.divider ? number.amount : number.amount / step.hz;
  // Wider than the slider it would only ever take one step (and could overflow the next).
  if (dividers > range.maximum - range.minimum) {
    return told + " is wider than the band, " + band_text(step);
  }
  if (!number.divider && (!number.whole_hz || dividers * step.hz != number.amount)) {
    return told + " is off the " + grid_text(step) + ": give a multiple of " +
           words::step_text(step);
  }
  return static_cast<std::int32_t>(dividers);
}

}  // namespace

std::variant<Sweep, std::string> sweep_range(std::string_view value, words::Step tuning) {
  const auto& range = slider();
  if (value.empty()) return Sweep{range.minimum, range.maximum, range.small_change};
  constexpr auto npos = std::string_view::npos;
  const auto dash = value.find('-');
  const auto slash = value.find('/');
  if (dash == npos || (slash != npos && slash < dash)) return std::string(kSyntax);
  const std::string_view from_text = value.substr(0, dash);
  const std::string_view to_text = value.substr(dash + 1, slash == npos ? npos : slash - dash - 1);
  const std::string_view step_text = slash == npos ? "" : value.substr(slash + 1);
  const auto from = sweep_number(from_text);
  const auto to = sweep_number(to_text);
  const auto step = slash == npos ? SweepNumber{.divider = true, .amount = range.small_change}
                                  : sweep_number(step_text);
  if (!from || !to || !step) return std::string(kSyntax);
  const std::array<Reading, 3> readings{end_divider(from_text, *from, tuning),
                                        end_divider(to_text, *to, tuning),
                                        step_dividers(step_text, *step, tuning)};
  for (const auto& reading : readings) {
    if (const auto* why = std::get_if<std::string>(&reading)) return *why;
  }
  return Sweep{std::get<std::int32_t>(readings[0]), std::get<std::int32_t>(readings[1]),
               std::get<std::int32_t>(readings[2])};
}

Sweep parse_sweep(std::string_view value, words::Step step) {
  auto range = sweep_range(value, step);
  if (const auto* why = std::get_if<std::string>(&range)) {
    throw UsageError("--sweep " + std::string(value) + ": " + *why);
  }
  return std::get<Sweep>(range);
}

std::string default_sweep_text() {
  return band_text(words::kFirstStep) + ", by " + divider_text(slider().small_change);
}

}  // namespace cli
