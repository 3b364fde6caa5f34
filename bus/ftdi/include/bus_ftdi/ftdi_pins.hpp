#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace bus {

// The three bus lines on an FTDI channel's eight bit-bang pins, D0 to D7: clock, data, enable,
// as the user named them and as bit numbers.
struct FtdiPins {
  std::array<std::string, 3> names{"D0", "D1", "D2"};  // TXD, RXD, RTS: on every 6-pin cable
  std::array<int, 3> bits{0, 1, 2};
  // The lock input, read as an input pin; none unless asked for.
  std::optional<int> lock_bit{};
  std::string lock_name{};  // as the user named it
  friend bool operator==(const FtdiPins&, const FtdiPins&) = default;
};

// Which adapter and channel, and the pins.
struct FtdiAddress {
  std::string serial;  // empty: the one adapter plugged in
  int channel = 0;     // 0 to 3: channel A to D
  FtdiPins pins;
  friend bool operator==(const FtdiAddress&, const FtdiAddress&) = default;
};

// The lock input's pin when --lock names none: CTS, which a 6-pin cable also brings out.
inline constexpr std::string_view kDefaultFtdiLockPin = "D3";

// The bit of pin `name`: "D0" to "D7", or the FT232R's name of that pin (TXD RXD RTS CTS DTR
// DSR DCD RI), in any case. Nothing for a name no FTDI pin has.
std::optional<int> ftdi_pin_bit(std::string_view name);

// Every name ftdi_pin_bit takes, for messages: "D0-D7 or TXD, RXD, ...".
std::string ftdi_pin_names();

// Pin `bit` by both its names, for messages: "D3 (CTS)".
std::string ftdi_pin_label(int bit);

char channel_letter(int channel);  // 'A' for 0

}  // namespace bus
