#include "sweep/sweep_report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "support/golden.hpp"
#include "sweep/frequency_axis.hpp"
#include "sweep/sweep_plot.hpp"

namespace {

using std::chrono::microseconds;

TEST(FrequencyAxis, RoundTicksThatFitWithBothEndsLabelledForEverySpan) {
  const auto khz = [](const std::string& mhz) {
    return static_cast<std::int32_t>(std::lround(std::stod(mhz) * 1000));
  };
  for (const auto& row : support::golden("frequency_ticks.txt")) {
    const auto columns = support::fields(row);
    const auto range = support::split(columns[0], " ");
    std::string labels;
    for (const auto& tick : sweep::frequency_ticks(khz(range[0]), khz(range[1]), 632)) {
      labels += (labels.empty() ? "" : " ") + tick.label;
    }
    EXPECT_EQ(labels, columns[1]) << row;
  }
}

// The simulated chip's line always changes during a sweep, so these ends are a board's: a line
// that never changed says how it may be wired wrong.
TEST(SweepReport, ALineThatNeverChangedIsDoubtedEitherWay) {
  const std::vector<sweep::SweepRow> swept{{8600, std::nullopt}, {8610, std::nullopt}};
  for (const auto& row : support::golden("wiring_doubts.txt")) {
    const auto columns = support::fields(row);
    const auto doubt = sweep::wiring_doubt(
        {columns[0].starts_with("high"), columns[0].ends_with("low")}, "pin 10 (nAck)", swept);
    EXPECT_EQ(doubt.value_or("-"), columns[1]) << row;
  }
}

// A board may lose lock inside its range, which the simulated chip never does: the plot's line
// breaks there, a step that locked alone is a dot, and each gap is shaded, as wide downward as
// upward.
TEST(SweepPlot, EachStretchThatLockedIsALineOfItsOwnAndEachGapIsShaded) {
  std::vector<sweep::SweepRow> up{
      {8590, std::nullopt},      {8600, microseconds(500)}, {8610, std::nullopt},
      {8620, std::nullopt},      {8630, microseconds(600)}, {8640, microseconds(700)},
      {8650, std::nullopt},      {8660, microseconds(800)}, {8670, microseconds(900)},
      {8680, microseconds(900)}, {8690, std::nullopt},      {8700, microseconds(900)}};
  std::vector<sweep::SweepRow> down(up.rbegin(), up.rend());
  std::vector<std::string> shaded[2];
  for (const auto& [rows, gap] : {std::pair{&up, "75.40 to 75.50"}, {&down, "75.50 to 75.40"}}) {
    const std::string svg = sweep::svg_plot(*rows, std::chrono::milliseconds(100));
    const auto count = [&svg](const std::string& part) {
      return support::split(svg, part).size() - 1;
    };
    EXPECT_EQ(count("<polyline"), 2u) << gap;
    EXPECT_EQ(count("<circle"), 2u) << gap;
    EXPECT_EQ(count("<title>not locked from " + std::string(gap) + " MHz</title>"), 1u) << gap;
    for (const auto& line : support::split(svg, "\n")) {
      if (line.starts_with("<rect x="))
        shaded[rows == &down].push_back(line.substr(0, line.find(" fill")));
    }
    std::ranges::sort(shaded[rows == &down]);
  }
  EXPECT_EQ(shaded[0].size(), 4u);
  EXPECT_EQ(shaded[0], shaded[1]);
}

}  // namespace
