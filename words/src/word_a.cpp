#include "words/word_a.hpp"

#include <cmath>
#include <cstdio>

#include "common/checked_math.hpp"

namespace words {

std::string converD_B(std::int32_t iValue) {
  // In 64 bits, the comparison and the difference are exact for every 32-bit value, as the
  // double arithmetic they stand for is.
  std::int64_t rest = iValue;
  std::string word = "0";
  for (int a = 14; a >= 0; --a) {
    const std::int64_t power = std::int64_t{1} << a;
    if (rest - power >= 0) {
      word += '1';
      rest -= power;
    } else {
      word += '0';
    }
  }
  return word;
}

double received_mhz(std::int32_t divider) {
  const std::int32_t oscillator_khz =
      common::checked_mul(divider, kKhzPerDividerStep, "the frequency (N x 10)");
  // 10700 / 1000.0 is the very double that 10.7 is.
  return static_cast<double>(oscillator_khz) / 1000 - kIntermediateFrequencyKhz / 1000.0;
}

std::optional<std::int32_t> divider_for_hz(double hz) {
  constexpr double kStepHz = kKhzPerDividerStep * 1000.0;
  constexpr double kIntermediateHz = kIntermediateFrequencyKhz * 1000.0;
  const double lowest = kLowestDivider * kStepHz - kIntermediateHz;
  const double highest = kHighestDivider * kStepHz - kIntermediateHz;
  if (!(hz >= lowest && hz <= highest)) return std::nullopt;
  return static_cast<std::int32_t>(std::nearbyint((hz + kIntermediateHz) / kStepHz));
}

std::string frequency_text(double mhz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", mhz);
  return text;
}

}  // namespace words
