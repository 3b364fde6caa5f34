#include "port_argument.hpp"

#include <charconv>

namespace cli {

namespace {

constexpr unsigned long kHighestBase = 0xFFFD;

constexpr std::string_view kGpioPrefix = "gpio:";

[[noreturn]] void invalid(std::string_view value) {
  throw UsageError("invalid --port value '" + std::string(value) +
                   "': give a device such as /dev/parport0, an I/O address such as 0x378, or "
                   "GPIO lines such as gpio:gpiochip0:GPIO17,GPIO27,GPIO22");
}

// "gpio:CHIP:CLOCK,DATA,ENABLE"; the chip is everything up to the last colon, so a label may
// hold colons.
GpioLines parse_gpio_lines(std::string_view value) {
  const std::string_view rest = value.substr(kGpioPrefix.size());
  const auto colon = rest.rfind(':');
  if (colon == std::string_view::npos || colon == 0) invalid(value);
  GpioLines gpio{std::string(rest.substr(0, colon)), {}};
  std::string_view lines = rest.substr(colon + 1);
  for (std::size_t i = 0; i < gpio.lines.size(); ++i) {
    const auto comma = lines.find(',');
    const bool last = i + 1 == gpio.lines.size();
    if ((comma == std::string_view::npos) != last) invalid(value);
    gpio.lines[i] = std::string(lines.substr(0, comma));
    if (gpio.lines[i].empty()) invalid(value);
    lines.remove_prefix(last ? lines.size() : comma + 1);
  }
  const auto& [clock, data, enable] = gpio.lines;
  if (clock == data || clock == enable || data == enable) {
    throw UsageError("--port " + std::string(value) +
                     " names a line twice: the clock, data and "
                     "enable need three lines");
  }
  return gpio;
}

}  // namespace

PortArgument parse_port_argument(std::string_view value) {
  if (value.starts_with(kGpioPrefix)) return parse_gpio_lines(value);
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
