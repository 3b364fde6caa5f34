#include "port_argument.hpp"

#include <charconv>

namespace cli {

namespace {

constexpr unsigned long kHighestBase = 0xFFFD;

[[noreturn]] void invalid(std::string_view value) {
  throw UsageError("invalid --port value '" + std::string(value) +
                   "': give a device such as /dev/parport0 or an I/O address such as 0x378");
}

}  // namespace

PortArgument parse_port_argument(std::string_view value) {
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
