#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace words {

// Word A: "0", then bits 14..0 of the divider, most significant first.
std::string converD_B(std::int32_t iValue);

// The received frequency for divider N: N x 10 kHz of oscillator less the 10.7 MHz IF.
// N x 10 is checked for 32-bit overflow.
double received_mhz(std::int32_t divider);

// The divider whose received frequency is nearest to `hz` (halfway: the even one); none when
// `hz` is outside the slider's range, 63 to 120 MHz.
std::optional<std::int32_t> divider_for_hz(double hz);

// Shortest decimal text with at most 15 significant digits and no trailing zeros or point,
// using the current C locale's decimal separator: "63", "87.51", "120".
std::string frequency_text(double mhz);

// The tuning: each divider step is 10 kHz of oscillator, the IF is 10.7 MHz, and the divider
// slider runs from 7370 (63 MHz received) to 13070 (120 MHz).
inline constexpr std::int32_t kKhzPerDividerStep = 10;
inline constexpr std::int32_t kIntermediateFrequencyKhz = 10'700;
inline constexpr std::int32_t kLowestDivider = 7370;
inline constexpr std::int32_t kHighestDivider = 13070;

}  // namespace words
