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
  std::array<ModeCaps, 2> modes;  // the first is the one it starts in
  std::string_view modes_bits;    // all of them, for the receive range
  std::string_view vfo;           // its one VFO
  std::string_view vfo_bit;
};

inline constexpr Caps kCaps{
    {{{"WFM", "0x40", 230'000}, {"FM", "0x20", 15'000}}},
    "0x60",
    "VFOA",
    "0x1",
};

// The received frequency is the oscillator's (N steps) less the intermediate frequency; the
// step is the one the last Word B set.
inline std::int64_t lowest_hz(words::Step step) {
  return words::received_hz(words::kLowestDivider, step);
}
inline std::int64_t highest_hz(words::Step step) {
  return words::received_hz(words::kHighestDivider, step);
}

}  // namespace rigctl_protocol
