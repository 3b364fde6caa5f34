#include "sweep/frequency_axis.hpp"

#include <algorithm>
#include <array>
#include <charconv>

namespace sweep {

namespace {

constexpr std::array<std::int32_t, 13> kStepsKhz{1,   2,   5,     10,    20,    50,    100,
                                                 200, 500, 1'000, 2'000, 5'000, 10'000};
// A label's text is about 7 px a character, and two characters' room keeps labels apart.
constexpr double kPxPerCharacter = 7;
constexpr std::size_t kCharactersBetween = 2;

// The places of MHz that a step needs: 3 for 1 kHz, 2 for 50 kHz, none for 2 MHz.
int places(std::int32_t step_khz) {
  int count = 0;
  for (std::int32_t unit = 1'000; step_khz % unit != 0; unit /= 10) ++count;
  return count;
}

// "88.05" from 88050 kHz to 2 places, with a point whatever the locale.
std::string mhz_label(std::int32_t khz, int places) {
  char text[32];
  const auto end =
      std::to_chars(text, text + sizeof text, khz / 1000.0, std::chars_format::fixed, places).ptr;
  return std::string(text, end);
}

// The step's multiples at or below and at or above a frequency. Received frequencies are
// positive, so integer division rounds down.
std::int32_t tick_below(std::int32_t khz, std::int32_t step_khz) {
  return khz / step_khz * step_khz;
}
std::int32_t tick_above(std::int32_t khz, std::int32_t step_khz) {
  return tick_below(khz + step_khz - 1, step_khz);
}

// Whether the labels of ticks `step_khz` apart fit side by side from the tick below `low_khz` to
// the one above `high_khz`. The labels have the same places, so the highest is the longest.
bool labels_fit(std::int32_t low_khz, std::int32_t high_khz, std::int32_t step_khz,
                double width_px) {
  const std::int32_t last_khz = tick_above(high_khz, step_khz);
  const double apart_px = width_px * step_khz / (last_khz - tick_below(low_khz, step_khz));
  const std::size_t longest = mhz_label(last_khz, places(step_khz)).size();
  return apart_px >= static_cast<double>(longest + kCharactersBetween) * kPxPerCharacter;
}

}  // namespace

std::vector<FrequencyTick> frequency_ticks(std::int32_t low_khz, std::int32_t high_khz,
                                           double width_px) {
  // One frequency alone: room for a tick either side.
  if (low_khz == high_khz) {
    low_khz -= kStepsKhz[3];
    high_khz += kStepsKhz[3];
  }
  const auto fitting = std::ranges::find_if(kStepsKhz, [&](std::int32_t step_khz) {
    return labels_fit(low_khz, high_khz, step_khz, width_px);
  });
  const std::int32_t step_khz = fitting == kStepsKhz.end() ? kStepsKhz.back() : *fitting;
  std::vector<FrequencyTick> ticks;
  for (std::int32_t khz = tick_below(low_khz, step_khz); khz <= tick_above(high_khz, step_khz);
       khz += step_khz) {
    ticks.push_back({khz, mhz_label(khz, places(step_khz))});
  }
  return ticks;
}

}  // namespace sweep
