#pragma once

#include <cstdint>
#include <string>

namespace words {

// Word A: "0", then bits 14..0 of the divider, most significant first.
std::string converD_B(std::int32_t iValue);

// The received frequency for divider N: N x 10 kHz of oscillator less the 10.7 MHz IF.
// N x 10 is checked for 32-bit overflow.
double received_mhz(std::int32_t divider);

// Shortest decimal text with at most 15 significant digits and no trailing zeros or point,
// using the current C locale's decimal separator: "63", "87.51", "120".
std::string frequency_text(double mhz);

inline constexpr double kIntermediateFrequencyMhz = 10.7;
inline constexpr std::int32_t kKhzPerDividerStep = 10;

}  // namespace words
