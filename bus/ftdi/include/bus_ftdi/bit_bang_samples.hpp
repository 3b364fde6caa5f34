#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "bus/port_addresses.hpp"
#include "bus/wiring.hpp"

namespace bus {

// The sample clock in asynchronous bit-bang mode: 16 samples per period of the chip's 3 MHz
// baud-rate generator, so 48 MHz divided by the divisor programmed.
inline constexpr std::int64_t kBitBangClockHz = 48'000'000;

// The divisor for a bus speed: 4 per count of the bus wait, so that the slider's fastest
// position (50) gives 240 000 samples a second, 4.2 us each, and its slowest (1000) 12 000. A
// count below 50 (start-up sends its first word with 0) runs at the fastest rate.
std::uint16_t bit_bang_divisor(std::int32_t delay_count);

// One transmission as samples of the channel's eight pins: each write is one sample of the
// levels it makes, each bus wait one more sample of the same levels, so every level lasts at
// least one sample and the bus-speed slider sets the sample rate.
class BitBangSamples {
 public:
  explicit BitBangSamples(const std::array<int, 3>& bits);  // clock, data, enable

  void write(Register target, std::uint8_t value);
  void hold(std::int32_t delay_count);
  void clear() { samples_.clear(); }

  std::span<const std::uint8_t> samples() const { return samples_; }
  std::uint16_t divisor() const { return divisor_; }
  // How long the samples so far take on the wire.
  std::int64_t elapsed_ns() const;

 private:
  std::uint8_t sample_of(LineLevels levels) const;

  std::array<std::uint8_t, 3> masks_;
  LineLevels levels_;
  std::uint16_t divisor_;
  std::vector<std::uint8_t> samples_;
};

}  // namespace bus
