#include "words/word_a.hpp"

#include <cmath>
#include <cstdio>

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

Step step_for_refh(std::int16_t iREFH) { return kStepForREFH[iREFH == 1]; }

std::int64_t oscillator_hz(std::int32_t divider, Step step) {
  return std::int64_t{divider} * step.hz;
}

std::int64_t received_hz(std::int32_t divider, Step step) {
  return oscillator_hz(divider, step) - kIntermediateFrequencyHz;
}

double received_mhz(std::int32_t divider, Step step) {
  // Both are whole hertz, so each quotient is the double nearest the exact MHz: at 10 kHz,
  // 106.2 is the very double that "106.2" reads as.
  return static_cast<double>(oscillator_hz(divider, step)) / 1e6 - kIntermediateFrequencyHz / 1e6;
}

std::int32_t divider_at_or_below(std::int64_t hz, Step step) {
  return static_cast<std::int32_t>((hz + kIntermediateFrequencyHz) / step.hz);
}

std::optional<std::int32_t> divider_for_hz(double hz, Step step) {
  const auto lowest = static_cast<double>(received_hz(kLowestDivider, step));
  const auto highest = static_cast<double>(received_hz(kHighestDivider, step));
  if (!(hz >= lowest && hz <= highest)) return std::nullopt;
  return static_cast<std::int32_t>(std::nearbyint((hz + kIntermediateFrequencyHz) / step.hz));
}

std::string frequency_text(double mhz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", mhz);
  return text;
}

std::string hz_frequency_text(std::int64_t hz) {
  return frequency_text(static_cast<double>(hz) / 1e6);
}

std::string step_text(Step step) { return frequency_text(step.hz / 1000.0) + " kHz"; }

}  // namespace words
