#include "bus/wiring.hpp"

namespace bus {

LineLevels levels_after(LineLevels before, Register target, std::uint8_t value) {
  using namespace wiring;
  if (target == Register::data) {
    before.clock = value & kClockBit;
    before.data = value & kDataBit;
  } else {
    before.enable = !(value & kEnableReleasedBit);
  }
  return before;
}

std::optional<StatusPin> status_pin(int pin) {
  for (const auto& each : kStatusPins) {
    if (each.pin == pin) return each;
  }
  return std::nullopt;
}

bool pin_level(const StatusPin& pin, std::uint8_t status) {
  return static_cast<bool>(status & pin.bit) != pin.inverted;
}

std::string pin_name(const StatusPin& pin) {
  return "pin " + std::to_string(pin.pin) + " (" + pin.signal + ")";
}

std::optional<std::string> lock_line_of(const std::optional<StatusPin>& pin) {
  if (!pin) return std::nullopt;
  return pin_name(*pin);
}

std::string status_pin_numbers() {
  std::string text;
  for (std::size_t i = 0; i < std::size(kStatusPins); ++i) {
    const auto& pin = kStatusPins[i];
    if (i > 0) text += i + 1 == std::size(kStatusPins) ? " or " : ", ";
    text += std::to_string(pin.pin);
    if (pin.inverted) text += " (inverted by the port)";
  }
  return text;
}

}  // namespace bus
