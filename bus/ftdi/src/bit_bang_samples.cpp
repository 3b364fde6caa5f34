#include "bus_ftdi/bit_bang_samples.hpp"

#include <algorithm>

namespace bus {

namespace {
constexpr std::int32_t kFastestCount = 50;
constexpr std::int32_t kDivisorPerCount = 4;
// The divisor has 14 bits; no slider position comes near the limit.
constexpr std::int32_t kSlowestCount = 0x3fff / kDivisorPerCount;
}  // namespace

std::uint16_t bit_bang_divisor(std::int32_t delay_count) {
  return static_cast<std::uint16_t>(std::clamp(delay_count, kFastestCount, kSlowestCount) *
                                    kDivisorPerCount);
}

BitBangSamples::BitBangSamples(const std::array<int, 3>& bits)
    : masks_{static_cast<std::uint8_t>(1u << bits[0]), static_cast<std::uint8_t>(1u << bits[1]),
             static_cast<std::uint8_t>(1u << bits[2])},
      divisor_(bit_bang_divisor(0)) {}

std::uint8_t BitBangSamples::sample_of(LineLevels levels) const {
  return static_cast<std::uint8_t>((levels.clock ? masks_[0] : 0) | (levels.data ? masks_[1] : 0) |
                                   (levels.enable ? masks_[2] : 0));
}

void BitBangSamples::write(Register target, std::uint8_t value) {
  levels_ = levels_after(levels_, target, value);
  samples_.push_back(sample_of(levels_));
}

void BitBangSamples::hold(std::int32_t delay_count) {
  divisor_ = bit_bang_divisor(delay_count);
  // An empty wait, as on the parallel port.
  if (delay_count <= 0) return;
  samples_.push_back(sample_of(levels_));
}

std::int64_t BitBangSamples::elapsed_ns() const {
  return static_cast<std::int64_t>(samples_.size()) * divisor_ * 1'000'000'000 / kBitBangClockHz;
}

}  // namespace bus
