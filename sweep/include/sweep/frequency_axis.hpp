#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sweep {

// A tick on a plot's axis of received frequency.
struct FrequencyTick {
  std::int32_t khz;
  std::string label;  // in MHz, to the places the ticks' step needs: "88", "88.5", "88.05"
  friend bool operator==(const FrequencyTick&, const FrequencyTick&) = default;
};

// The ticks of an axis `width_px` wide for received frequencies from `low_khz` to `high_khz`:
// a round step (1, 2 or 5 times a power of ten, from 0.001 to 10 MHz), the finest whose labels
// fit side by side, from the tick at or below `low_khz` to the one at or above `high_khz`, so
// that both ends of the axis are labelled. A single frequency is shown with a divider's step of
// room on either side.
std::vector<FrequencyTick> frequency_ticks(std::int32_t low_khz, std::int32_t high_khz,
                                           double width_px);

}  // namespace sweep
