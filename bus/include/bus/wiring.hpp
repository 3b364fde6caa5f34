#pragma once

#include <cstdint>

#include "bus/port_addresses.hpp"

namespace bus {

// Register values of the three-wire bus. The whole register is written every time.
//
//   register  bit  line          DB-25 pin  note
//   data      7    clock (CLB)   9
//   data      3    data (DATA)   5
//   control   0    enable (DLEN) 1          inverted by the port: bit 0 clear = pin high
//
namespace wiring {
inline constexpr std::uint8_t kClockBit = 0x80;
inline constexpr std::uint8_t kDataBit = 0x08;
inline constexpr std::uint8_t kEnableReleasedBit = 0x01;

// The values written, made of the bits above: 0, 8, 136, 128 and 0, 1.
inline constexpr std::int16_t kClockLowDataLow = 0;
inline constexpr std::int16_t kDataHigh = kDataBit;
inline constexpr std::int16_t kClockHighDataHigh = kClockBit | kDataBit;
inline constexpr std::int16_t kClockHigh = kClockBit;

inline constexpr std::int16_t kEnableAsserted = 0;
inline constexpr std::int16_t kEnableReleased = kEnableReleasedBit;
}  // namespace wiring

// The three lines as the chip's pins see them; all low at rest.
struct LineLevels {
  bool clock = false;   // CLB
  bool data = false;    // DATA
  bool enable = false;  // DLEN, high while a word is shifted in
  friend bool operator==(const LineLevels&, const LineLevels&) = default;
};

// The levels after `value` is written to `target`: the data register drives the clock and the
// data line, the control register the enable. Every back end, recorder and model reads the
// lines through this one function.
LineLevels levels_after(LineLevels before, Register target, std::uint8_t value);

}  // namespace bus
