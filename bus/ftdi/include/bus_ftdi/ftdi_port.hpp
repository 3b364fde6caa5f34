#pragma once

#include <memory>

#include "bus/port.hpp"
#include "bus_ftdi/bit_bang_adapter.hpp"
#include "bus_ftdi/bit_bang_samples.hpp"
#include "bus_ftdi/ftdi_pins.hpp"

namespace bus {

// The lock pin's burst: 124 samples at 100 kHz, 1.24 ms, longer than a period of the slowest
// reference (1 ms at 1 kHz), so that a pulse at the reference rate lands in every burst; two
// full USB packets of 62 samples, which the chip sends without waiting for its latency timer.
inline constexpr std::size_t kLockBurstSamples = 124;
inline constexpr std::uint16_t kLockBurstDivisor = 480;

// The bus on three pins of an FTDI adapter in asynchronous bit-bang mode. A transmission's
// writes and waits become samples (BitBangSamples) and go out in one USB transfer when it
// ends, since a round trip per line change would make a word take milliseconds. A lock pin
// stays an input, read between transmissions in bursts of samples: one read of the pins is a USB
// round trip of about a millisecond, which would step over the in-lock output's short pulses.
class FtdiPort : public Port {
 public:
  FtdiPort(std::unique_ptr<BitBangAdapter> adapter, FtdiAddress address);

  std::string name() const override;         // "FTDI adapter A50285BI, pins D0,D1,D2"
  std::string label() const override;        // "FT232R USB UART A50285BI" once bound
  std::string description() const override;  // with the channel, the pins and their roles
  void bind() override;
  void write(Register target, std::uint8_t value) override;
  bool hold(std::int32_t delay_count) override;
  std::optional<std::int64_t> queued_ns() const override { return samples_.elapsed_ns(); }
  void flush() override;
  std::optional<std::string> lock_line() const override;  // "D3 (CTS)"
  bool lock_level() override;
  std::chrono::nanoseconds lock_level_span() const override;

 private:
  std::string pins() const;  // "D0,D1,D2"
  void use_divisor(std::uint16_t divisor);

  std::unique_ptr<BitBangAdapter> adapter_;
  FtdiAddress address_;
  BitBangSamples samples_;
  bool bound_ = false;
  std::uint16_t divisor_ = 0;  // as programmed; 0 before the first transfer
};

}  // namespace bus
