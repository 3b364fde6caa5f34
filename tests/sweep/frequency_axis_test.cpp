#include "sweep/frequency_axis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/golden.hpp"

namespace {

constexpr double kPlotAxisPx = 632;

std::int32_t khz(const std::string& mhz) {
  return static_cast<std::int32_t>(std::lround(std::stod(mhz) * 1000));
}

TEST(FrequencyAxis, RoundTicksThatFitWithBothEndsLabelledForEverySpan) {
  for (const auto& row : support::golden("frequency_ticks.txt")) {
    const auto columns = support::fields(row);
    const auto range = support::split(columns[0], " ");
    std::string labels;
    for (const auto& tick : sweep::frequency_ticks(khz(range[0]), khz(range[1]), kPlotAxisPx)) {
      labels += (labels.empty() ? "" : " ") + tick.label;
    }
    EXPECT_EQ(labels, columns[1]) << row;
  }
}

}  // namespace
