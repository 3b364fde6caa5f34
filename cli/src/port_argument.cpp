#include "port_argument.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

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

struct BusNames {
  std::array<std::string, 3> lines;  // clock, data, enable
  std::optional<std::string> lock;
};

// "CLOCK,DATA,ENABLE[,LOCK]": three or four non-empty names, else the value is invalid.
BusNames bus_names(std::string_view names, std::string_view value) {
  std::vector<std::string> split;
  while (true) {
    const auto comma = names.find(',');
    split.emplace_back(names.substr(0, comma));
    if (split.back().empty()) invalid(value);
    if (comma == std::string_view::npos) break;
    names.remove_prefix(comma + 1);
  }
  if (split.size() < 3 || split.size() > 4) invalid(value);
  BusNames bus{{split[0], split[1], split[2]}, std::nullopt};
  if (split.size() == 4) bus.lock = split[3];
  return bus;
}

[[noreturn]] void named_twice(std::string_view value, const std::string& what) {
  throw UsageError("--port " + std::string(value) + " names " + what +
                   " twice: the clock, data, enable and lock need one each");
}

// "gpio:CHIP:CLOCK,DATA,ENABLE[,LOCK]"; the chip is everything up to the last colon, so a label
// may hold colons.
GpioLines parse_gpio_lines(std::string_view value) {
  const std::string_view rest = value.substr(kGpioPrefix.size());
  const auto colon = rest.rfind(':');
  if (colon == std::string_view::npos || colon == 0) invalid(value);
  auto [lines, lock] = bus_names(rest.substr(colon + 1), value);
  std::vector<std::string> all(lines.begin(), lines.end());
  if (lock) all.push_back(*lock);
  for (const auto& line : all) {
    if (std::count(all.begin(), all.end(), line) > 1) named_twice(value, "line " + line);
  }
  return GpioLines{std::string(rest.substr(0, colon)), std::move(lines), std::move(lock)};
}

int ftdi_bit(const std::string& name, std::string_view value) {
  const auto bit = bus::ftdi_pin_bit(name);
  if (!bit) {
    throw UsageError("--port " + std::string(value) + ": no FTDI pin is called '" + name +
                     "' (give " + bus::ftdi_pin_names() + ")");
  }
  return *bit;
}

// "ftdi[:[SERIAL][/CHANNEL][:CLOCK,DATA,ENABLE[,LOCK]]]"
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
  auto [names, lock] = bus_names(rest.substr(colon + 1), value);
  address.pins.names = std::move(names);
  for (std::size_t i = 0; i < address.pins.names.size(); ++i) {
    address.pins.bits[i] = ftdi_bit(address.pins.names[i], value);
  }
  if (lock) {
    address.pins.lock_bit = ftdi_bit(*lock, value);
    address.pins.lock_name = std::move(*lock);
  }
  std::vector<int> bits(address.pins.bits.begin(), address.pins.bits.end());
  if (address.pins.lock_bit) bits.push_back(*address.pins.lock_bit);
  for (const int bit : bits) {
    // TXD and D0 are one pin: name it, since the names given may differ.
    if (std::count(bits.begin(), bits.end(), bit) > 1) {
      named_twice(value, "pin D" + std::to_string(bit));
    }
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
