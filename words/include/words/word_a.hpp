#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace words {

// Word A: "0", then bits 14..0 of the divider, most significant first.
std::string converD_B(std::int32_t iValue);

// The oscillator's step per divider count: ten times the reference that Word B's REFH chooses,
// 10 kHz at 1 kHz (and before any Word B is sent), 12.5 kHz at 1.25 kHz.
struct Step {
  std::int32_t hz;
  friend bool operator==(Step, Step) = default;
};
inline constexpr Step kStepForREFH[2] = {{10'000}, {12'500}};
inline constexpr Step kFirstStep = kStepForREFH[0];
Step step_for_refh(std::int16_t iREFH);

// The oscillator for divider N: N steps.
std::int64_t oscillator_hz(std::int32_t divider, Step step);

// The received frequency for divider N: its oscillator less the 10.7 MHz IF.
std::int64_t received_hz(std::int32_t divider, Step step);
double received_mhz(std::int32_t divider, Step step);

// The divider whose received frequency is `hz` or the nearest below it, for a frequency within
// the slider's range.
std::int32_t divider_at_or_below(std::int64_t hz, Step step);

// The divider whose received frequency is nearest to `hz` (halfway: the even one); none when
// `hz` is outside the slider's range (at 10 kHz, 63 to 120 MHz).
std::optional<std::int32_t> divider_for_hz(double hz, Step step);

// Shortest decimal text with at most 15 significant digits and no trailing zeros or point,
// using the current C locale's decimal separator: "63", "87.51", "120".
std::string frequency_text(double mhz);
// The same of a frequency in Hz; and a step's, in kHz: "12.5 kHz".
std::string hz_frequency_text(std::int64_t hz);
std::string step_text(Step step);

// The IF is 10.7 MHz, and the divider slider runs from 7370 (63 MHz received at 10 kHz) to
// 13070 (120 MHz).
inline constexpr std::int32_t kIntermediateFrequencyHz = 10'700'000;
inline constexpr std::int32_t kLowestDivider = 7370;
inline constexpr std::int32_t kHighestDivider = 13070;

}  // namespace words
