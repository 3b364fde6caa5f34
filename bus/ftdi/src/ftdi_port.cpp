#include "bus_ftdi/ftdi_port.hpp"

#include <algorithm>

namespace bus {

FtdiPort::FtdiPort(std::unique_ptr<BitBangAdapter> adapter, FtdiAddress address)
    : adapter_(std::move(adapter)), address_(std::move(address)), samples_(address_.pins.bits) {}

std::string FtdiPort::pins() const {
  const auto& names = address_.pins.names;
  return names[0] + "," + names[1] + "," + names[2];
}

std::string FtdiPort::name() const {
  const std::string adapter =
      address_.serial.empty() ? "the FTDI adapter" : "FTDI adapter " + address_.serial;
  return adapter + ", pins " + pins();
}

std::string FtdiPort::label() const {
  return bound_ ? adapter_->identity() : "FTDI adapter";
}

std::string FtdiPort::description() const {
  return "Port " + label() + ", channel " + channel_letter(address_.channel) + ", pins " + pins() +
         " (clock, data, enable), FTDI bit-bang";
}

void FtdiPort::bind() {
  std::uint8_t outputs = 0;
  for (const int bit : address_.pins.bits) outputs |= static_cast<std::uint8_t>(1u << bit);
  adapter_->open(address_, outputs);
  bound_ = true;
}

void FtdiPort::write(Register target, std::uint8_t value) { samples_.write(target, value); }

bool FtdiPort::hold(std::int32_t delay_count) {
  samples_.hold(delay_count);
  return true;
}

// A USB round trip each: only when the rate changes.
void FtdiPort::use_divisor(std::uint16_t divisor) {
  if (divisor == divisor_) return;
  adapter_->set_divisor(divisor);
  divisor_ = divisor;
}

void FtdiPort::flush() {
  if (samples_.samples().empty()) return;
  use_divisor(samples_.divisor());
  adapter_->write(samples_.samples());
  samples_.clear();
}

std::optional<std::string> FtdiPort::lock_line() const {
  if (!address_.pins.lock_bit) return std::nullopt;
  return ftdi_pin_label(*address_.pins.lock_bit);
}

// High only if every sample of the burst is. The bus lines stay at rest, as every transmission
// leaves them.
bool FtdiPort::lock_level() {
  use_divisor(kLockBurstDivisor);
  const auto lock = static_cast<std::uint8_t>(1u << *address_.pins.lock_bit);
  const auto samples = adapter_->sample_pins(0, kLockBurstSamples);
  return std::ranges::all_of(samples, [lock](std::uint8_t pins) { return (pins & lock) != 0; });
}

std::chrono::nanoseconds FtdiPort::lock_level_span() const {
  return std::chrono::nanoseconds(std::int64_t{kLockBurstSamples} * kLockBurstDivisor *
                                  1'000'000'000 / kBitBangClockHz);
}

}  // namespace bus
