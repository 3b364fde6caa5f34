#include "port_argument.hpp"

#include <algorithm>
#include <charconv>

#include "bus/gpio_lines_text.hpp"

namespace cli {

namespace {

constexpr unsigned long kHighestBase = 0xFFFD;

constexpr std::string_view kGpioPrefix = "gpio:";
constexpr std::string_view kFtdiPrefix = "ftdi";

[[noreturn]] void invalid(std::string_view value) {
  throw UsageError("invalid --port value '" + std::string(value) +
                   "': give a device such as /dev/parport0, an I/O address such as 0x378, "
                   "GPIO lines such as " SAA_GPIO_LINES_EXAMPLE
                   ", or an FTDI adapter "
                   "such as ftdi");
}

// "CLOCK,DATA,ENABLE": exactly three non-empty names, else the value is invalid.
std::array<std::string, 3> three_names(std::string_view names, std::string_view value) {
  std::array<std::string, 3> split;
  for (std::size_t i = 0; i < split.size(); ++i) {
    const auto comma = names.find(',');
    const bool last = i + 1 == split.size();
    if ((comma == std::string_view::npos) != last) invalid(value);
    split[i] = std::string(names.substr(0, comma));
    if (split[i].empty()) invalid(value);
    names.remove_prefix(last ? names.size() : comma + 1);
  }
  return split;
}

// "gpio:CHIP:CLOCK,DATA,ENABLE"; the chip is everything up to the last colon, so a label may
// hold colons.
GpioLines parse_gpio_lines(std::string_view value) {
  const std::string_view rest = value.substr(kGpioPrefix.size());
  const auto colon = rest.rfind(':');
  if (colon == std::string_view::npos || colon == 0) invalid(value);
  GpioLines gpio{std::string(rest.substr(0, colon)), three_names(rest.substr(colon + 1), value)};
  const auto& [clock, data, enable] = gpio.lines;
  if (clock == data || clock == enable || data == enable) {
    throw UsageError("--port " + std::string(value) +
                     " names a line twice: the clock, data and enable need three lines");
  }
  return gpio;
}

// "ftdi[:[SERIAL][/CHANNEL][:CLOCK,DATA,ENABLE]]"
bus::FtdiAddress parse_ftdi_pins(std::string_view value) {
  bus::FtdiAddress address;
  std::string_view rest = value.substr(kFtdiPrefix.size());
  if (rest.empty()) return address;
  rest.remove_prefix(1);  // the colon
  const auto colon = rest.find(':');
  std::string_view device = rest.substr(0, colon);
  if (const auto slash = device.find('/'); slash != std::string_view::npos) {
    const std::string_view channel = device.substr(slash + 1);
    const char letter = channel.size() == 1 ? static_cast<char>(channel.front() & ~0x20) : '\0';
    if (letter < 'A' || letter > 'D') {
      throw UsageError("--port " + std::string(value) + ": the channel is a letter, A to D");
    }
    address.channel = letter - 'A';
    device = device.substr(0, slash);
  }
  address.serial = std::string(device);
  if (colon == std::string_view::npos) return address;
  address.pins.names = three_names(rest.substr(colon + 1), value);
  for (std::size_t i = 0; i < address.pins.names.size(); ++i) {
    const auto bit = bus::ftdi_pin_bit(address.pins.names[i]);
    if (!bit) {
      throw UsageError("--port " + std::string(value) + ": no FTDI pin is called '" +
                       address.pins.names[i] + "' (give " + bus::ftdi_pin_names() + ")");
    }
    address.pins.bits[i] = *bit;
  }
  const auto& bits = address.pins.bits;
  for (const int bit : bits) {
    if (std::count(bits.begin(), bits.end(), bit) == 1) continue;
    // TXD and D0 are one pin: name it, since the names given may differ.
    throw UsageError("--port " + std::string(value) + " names pin D" + std::to_string(bit) +
                     " twice: the clock, data and enable need three pins");
  }
  return address;
}

}  // namespace

PortArgument parse_port_argument(std::string_view value) {
  if (value.starts_with(kGpioPrefix)) return parse_gpio_lines(value);
  if (value == kFtdiPrefix || value.starts_with(std::string(kFtdiPrefix) + ":")) {
    return parse_ftdi_pins(value);
  }
  if (value.find('/') != std::string_view::npos) return DevicePath{std::string(value)};
  std::string_view digits = value;
  int radix = 10;
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    digits.remove_prefix(2);
    radix = 16;
  }
  if (digits.empty()) invalid(value);
  unsigned long base = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), base, radix);
  if (end != digits.data() + digits.size() ||
      (error != std::errc{} && error != std::errc::result_out_of_range)) {
    invalid(value);
  }
  if (error == std::errc::result_out_of_range || base < 1 || base > kHighestBase) {
    throw UsageError("--port address " + std::string(value) + " is out of range (1 to 0xfffd)");
  }
  return IoAddress{static_cast<std::uint16_t>(base)};
}

}  // namespace cli
