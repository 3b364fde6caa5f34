#include "lock_argument.hpp"

#include <algorithm>
#include <charconv>

#include "bus/gpio_lines_text.hpp"
#include "bus/wiring.hpp"

namespace cli {

namespace {

void place_on_ftdi(bus::FtdiPins& pins, const std::string& pin, std::string_view option) {
  if (pins.lock_bit) {
    if (!pin.empty() && bus::ftdi_pin_bit(pin) != pins.lock_bit) {
      throw UsageError("--lock=" + pin + " and --port name two different lock pins");
    }
    return;
  }
  const std::string name = pin.empty() ? std::string(bus::kDefaultFtdiLockPin) : pin;
  const auto bit = bus::ftdi_pin_bit(name);
  if (!bit) {
    throw UsageError("--lock=" + pin + ": no FTDI pin is called '" + pin + "' (give " +
                     bus::ftdi_pin_names() + ")");
  }
  if (std::find(pins.bits.begin(), pins.bits.end(), *bit) != pins.bits.end()) {
    throw UsageError(std::string(option) + ": pin D" + std::to_string(*bit) +
                     " is the clock, data or enable already; name another, such as --lock=D" +
                     std::to_string(*bit == 3 ? 4 : 3));
  }
  pins.lock_name = name;
  pins.lock_bit = bit;
}

bus::StatusPin status_pin_named(const std::string& pin) {
  int number = bus::kDefaultLockPin;
  if (!pin.empty()) {
    const auto [end, error] = std::from_chars(pin.data(), pin.data() + pin.size(), number);
    if (error != std::errc{} || end != pin.data() + pin.size()) number = 0;
  }
  if (const auto status_pin = bus::status_pin(number)) return *status_pin;
  throw UsageError("--lock=" + pin + ": the lock line is a status pin of the parallel port (give " +
                   bus::status_pin_numbers() + ")");
}

}  // namespace

void place_lock_line(Options& options, std::string_view option) {
  if (!options.lock) return;
  const std::string& pin = *options.lock;
  if (options.simulate) {
    if (!pin.empty()) {
      throw UsageError("--lock=" + pin +
                       ": the simulated chip's lock line is its test pin; give --lock alone");
    }
    return;
  }
  if (auto* gpio = options.port ? std::get_if<GpioLines>(&*options.port) : nullptr) {
    if (!gpio->lock || !pin.empty()) {
      throw UsageError(std::string(option) +
                       ": name the GPIO lock line as the fourth line of --port, such "
                       "as " SAA_GPIO_LINES_EXAMPLE ",GPIO23");
    }
    return;
  }
  if (auto* ftdi = options.port ? std::get_if<bus::FtdiAddress>(&*options.port) : nullptr) {
    return place_on_ftdi(ftdi->pins, pin, option);
  }
  options.lock_pin = status_pin_named(pin);
}

bool reads_lock_line(const Options& options) {
  if (options.lock) return true;
  if (!options.port) return false;
  if (const auto* gpio = std::get_if<GpioLines>(&*options.port)) return gpio->lock.has_value();
  if (const auto* ftdi = std::get_if<bus::FtdiAddress>(&*options.port)) {
    return ftdi->pins.lock_bit.has_value();
  }
  return false;
}

}  // namespace cli
