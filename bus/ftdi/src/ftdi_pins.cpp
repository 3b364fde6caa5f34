#include "bus_ftdi/ftdi_pins.hpp"

#include <algorithm>
#include <cctype>

namespace bus {

namespace {

// The FT232R's UART signals, D0 first: the names printed on cables and breakout boards.
constexpr std::array<std::string_view, 8> kUartNames{"TXD", "RXD", "RTS", "CTS",
                                                     "DTR", "DSR", "DCD", "RI"};

bool same_letters(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::optional<int> ftdi_pin_bit(std::string_view name) {
  for (int bit = 0; bit < static_cast<int>(kUartNames.size()); ++bit) {
    const char numbered[] = {'D', static_cast<char>('0' + bit)};
    if (same_letters(name, {numbered, sizeof numbered}) || same_letters(name, kUartNames[bit])) {
      return bit;
    }
  }
  return std::nullopt;
}

std::string ftdi_pin_names() {
  std::string names = "D0-D7 or";
  for (const auto name : kUartNames) names += std::string(" ") + std::string(name);
  return names;
}

std::string ftdi_pin_label(int bit) {
  return "D" + std::to_string(bit) + " (" +
         std::string(kUartNames.at(static_cast<std::size_t>(bit))) + ")";
}

char channel_letter(int channel) { return static_cast<char>('A' + channel); }

}  // namespace bus
