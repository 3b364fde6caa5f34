#pragma once

#include <cstdint>

namespace rigctl {

// What a remote client may do to the panel.
class Tuner {
 public:
  virtual ~Tuner() = default;
  virtual std::int32_t divider() const = 0;
  // Moves the divider slider to `divider`, exactly as a user would.
  virtual void tune(std::int32_t divider) = 0;
};

// The divider slider's range, and the tuning arithmetic of the received frequency.
inline constexpr std::int32_t kLowestDivider = 7370;
inline constexpr std::int32_t kHighestDivider = 13070;
inline constexpr std::int64_t kHzPerDividerStep = 10'000;
inline constexpr std::int64_t kIntermediateFrequencyHz = 10'700'000;

}  // namespace rigctl
