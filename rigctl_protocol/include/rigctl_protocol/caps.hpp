#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "words/word_a.hpp"

namespace rigctl_protocol {

// A mode the receiver demodulates, by Hamlib's name and bit (RIG_MODE_*), with the passband a
// client gets when it asks for the mode's default (0).
struct ModeCaps {
  std::string_view name;
  std::string_view hamlib_bit;
  std::int64_t default_passband_hz;
};

// What the panel is to a rigctld client: every answer about it reads this record.
struct Caps {
  std::int64_t step_hz;
  std::int64_t lowest_hz;
  std::int64_t highest_hz;
  std::array<ModeCaps, 2> modes;  // the first is the one it starts in
  std::string_view modes_bits;    // all of them, for the receive range
  std::string_view vfo;           // its one VFO
  std::string_view vfo_bit;
};

namespace detail {
inline constexpr std::int64_t kStepHz = words::kKhzPerDividerStep * 1000;
inline constexpr std::int64_t kIntermediateFrequencyHz = words::kIntermediateFrequencyKhz * 1000;
}  // namespace detail

// The received frequency is the oscillator's (N steps) less the intermediate frequency.
inline constexpr Caps kCaps{
    detail::kStepHz,
    words::kLowestDivider* detail::kStepHz - detail::kIntermediateFrequencyHz,
    words::kHighestDivider* detail::kStepHz - detail::kIntermediateFrequencyHz,
    {{{"WFM", "0x40", 230'000}, {"FM", "0x20", 15'000}}},
    "0x60",
    "VFOA",
    "0x1",
};

inline constexpr std::int64_t hz_of_divider(std::int32_t divider) {
  return divider * kCaps.step_hz - detail::kIntermediateFrequencyHz;
}

}  // namespace rigctl_protocol
