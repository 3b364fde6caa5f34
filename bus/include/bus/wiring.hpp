#pragma once

#include <cstdint>
#include <optional>
#include <string>

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

// The lock input: the chip's test pin, open collector, pulled up to the port's logic level. With
// Word B's test function "Output in-lock counter" it is high while the loop is locked.
inline constexpr bool kLockedLevel = true;

// On the parallel port the lock input is a status line, read from the status register
// (base + 1). Busy is inverted by the port: bit 7 set means pin 11 is low.
struct StatusPin {
  int pin;           // DB-25
  std::uint8_t bit;  // in the status register
  bool inverted;
  const char* signal;
};
inline constexpr StatusPin kStatusPins[] = {{10, 0x40, false, "nAck"},
                                            {11, 0x80, true, "Busy"},
                                            {12, 0x20, false, "PaperOut"},
                                            {13, 0x10, false, "Select"},
                                            {15, 0x08, false, "nError"}};
inline constexpr int kDefaultLockPin = 10;

// The status pin `pin`; nothing for a pin that is not a status line.
std::optional<StatusPin> status_pin(int pin);

// The level of `pin` in a status register read as `status`.
bool pin_level(const StatusPin& pin, std::uint8_t status);

// "pin 10 (nAck)"
std::string pin_name(const StatusPin& pin);

// A parallel port's lock line for Port::lock_line(): its pin's name, nothing without one.
std::optional<std::string> lock_line_of(const std::optional<StatusPin>& pin);

// "10, 11 (inverted by the port), 12, 13 or 15", for messages and --help.
std::string status_pin_numbers();

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
