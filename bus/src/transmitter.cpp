#include "bus/transmitter.hpp"

#include "bus/port_addresses.hpp"
#include "bus/wiring.hpp"
#include "common/checked_math.hpp"

namespace bus {

using namespace wiring;

void Transmitter::delay() const {
  const auto longer =
      common::checked_mul(settings_.iDel, std::int32_t{10}, "the bus wait (iDel x 10)");
  if (library_.hold(settings_.iDel)) return;
  spin_(settings_.iDel);
  spin_(longer);
}

std::int16_t Transmitter::control_register() const {
  return common::checked_add(settings_.iPort, kControlRegisterOffset,
                             "the control register address (iPort + 2)");
}

void Transmitter::send_bit(std::int16_t data_register, char bit) const {
  if (bit == '1') {
    library_.Out32(data_register, kDataHigh);
    delay();
    library_.Out32(data_register, kClockHighDataHigh);
    delay();
    library_.Out32(data_register, kDataHigh);
    delay();
  } else {
    library_.Out32(data_register, kClockHigh);
    delay();
  }
  library_.Out32(data_register, kClockLowDataLow);
  delay();
}

void Transmitter::Send(std::string_view sWord) const {
  const std::int16_t data = settings_.iPort;
  const std::int16_t control = control_register();

  library_.Out32(data, kClockLowDataLow);
  delay();
  library_.Out32(control, kEnableAsserted);
  delay();
  send_bit(data, '0');
  for (const char bit : sWord) send_bit(data, bit);
  library_.Out32(control, kEnableReleased);
  delay();
  // The pulse after the enable is released loads the shifted word into the chip.
  library_.Out32(data, kClockHigh);
  delay();
  library_.Out32(data, kClockLowDataLow);
  delay();
  delay();
  delay();
  library_.flush();
  library_.word_sent(sWord);
}

void Transmitter::rest_lines() const {
  const std::int16_t control = control_register();
  library_.Out32(settings_.iPort, kClockLowDataLow);
  library_.Out32(control, kEnableReleased);
  library_.flush();
}

}  // namespace bus
