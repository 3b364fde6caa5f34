#include "sweep_number.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace cli {

namespace {

// A MHz is a million Hz: six digits after the point.
constexpr std::int64_t kHzPerMhz = 1'000'000;
constexpr std::size_t kHzDigits = 6;

bool all_digits(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// Past 32 bits a number is far outside the band all the same.
std::int64_t whole(std::string_view digits) {
  std::int32_t value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec == std::errc::result_out_of_range) return std::numeric_limits<std::int32_t>::max();
  return value;
}

}  // namespace

std::optional<SweepNumber> sweep_number(std::string_view text) {
  if (text.ends_with('N')) {
    text.remove_suffix(1);
    if (!all_digits(text)) return std::nullopt;
    return SweepNumber{.divider = true, .amount = whole(text)};
  }
  const auto point = text.find('.');
  const std::string_view integral = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  if (!all_digits(integral) || (point != std::string_view::npos && !all_digits(fraction))) {
    return std::nullopt;
  }
  while (fraction.ends_with('0')) fraction.remove_suffix(1);
  std::string hz(fraction.substr(0, kHzDigits));
  hz.resize(kHzDigits, '0');
  return SweepNumber{.amount = whole(integral) * kHzPerMhz + whole(hz),
                     .whole_hz = fraction.size() <= kHzDigits};
}

}  // namespace cli
