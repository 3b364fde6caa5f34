#include "sweep/sweep_report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sweep/sweep_plot.hpp"

namespace {

using std::chrono::microseconds;

// The simulated chip's line always changes during a sweep, so these ends are a board's: a line
// that never changed says how it may be wired wrong.
TEST(SweepReport, ALineThatNeverChangedIsDoubtedEitherWay) {
  struct Row {
    bool high, low;
    std::optional<std::string> doubt;
  };
  const Row rows[] = {
      {true, true, std::nullopt},
      {false, true,
       "never locked from 75.30 to 75.40 MHz: if the oscillator should lock there, check the "
       "pull-up on the lock line (pin 10 (nAck)), which read low throughout"},
      {true, false,
       "The lock line (pin 10 (nAck)) read high throughout: is it wired to the chip's test pin, "
       "and Word B sent to it?"},
      {false, false, std::nullopt},
  };
  for (const auto& row : rows) {
    const std::vector<sweep::SweepRow> swept{{8600, std::nullopt}, {8610, std::nullopt}};
    EXPECT_EQ(sweep::wiring_doubt({row.high, row.low}, "pin 10 (nAck)", swept), row.doubt)
        << "high " << row.high << ", low " << row.low;
  }
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t found = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
  return found;
}

// A board may lose lock inside its range: the plot's line breaks there, and the gap is shaded.
// A step that locked alone is a dot.
TEST(SweepPlot, EachStretchThatLockedIsALineOfItsOwn) {
  const std::vector<sweep::SweepRow> rows{{8600, microseconds(500)}, {8610, std::nullopt},
                                          {8620, microseconds(600)}, {8630, microseconds(700)},
                                          {8640, std::nullopt},      {8650, microseconds(800)},
                                          {8660, microseconds(900)}, {8670, microseconds(900)},
                                          {8680, std::nullopt},      {8690, microseconds(900)}};
  const std::string svg = sweep::svg_plot(rows, std::chrono::milliseconds(100));
  EXPECT_EQ(count(svg, "<polyline"), 2u) << svg;
  EXPECT_EQ(count(svg, "<circle"), 2u) << svg;
  EXPECT_NE(svg.find("<title>not locked from 75.40 to 75.40 MHz</title>"), std::string::npos)
      << svg;
}

// One step that locked: a dot in the middle of an axis from 75.29 to 75.31 MHz, half way up to
// 1 ms: x = 64 + 632 / 2, y = 304 - 244 / 2.
TEST(SweepPlot, OneStepIsADot) {
  const std::vector<sweep::SweepRow> rows{{8600, microseconds(500)}};
  const std::string svg = sweep::svg_plot(rows, std::chrono::milliseconds(100));
  EXPECT_NE(svg.find("<circle cx=\"380.0\" cy=\"182.0\" r=\"3\""), std::string::npos) << svg;
  EXPECT_EQ(count(svg, "<polyline"), 0u) << svg;
}

// A downward sweep is drawn on the axis an upward one has, its unlocked stretches shaded as wide.
TEST(SweepPlot, ADownwardSweepShadesWhatAnUpwardOneDoes) {
  const std::vector<sweep::SweepRow> up{{8590, std::nullopt},
                                        {8600, microseconds(500)},
                                        {8610, std::nullopt},
                                        {8620, std::nullopt},
                                        {8630, microseconds(700)}};
  const std::vector<sweep::SweepRow> down(up.rbegin(), up.rend());
  const auto shading = [](const std::string& svg) {
    std::vector<std::string> rects;
    for (auto at = svg.find("<rect x="); at != std::string::npos;
         at = svg.find("<rect x=", at + 1)) {
      rects.push_back(svg.substr(at, svg.find(" fill", at) - at));
    }
    std::sort(rects.begin(), rects.end());
    return rects;
  };
  const auto timeout = std::chrono::milliseconds(100);
  EXPECT_EQ(shading(sweep::svg_plot(down, timeout)), shading(sweep::svg_plot(up, timeout)));
  EXPECT_EQ(shading(sweep::svg_plot(up, timeout)).size(), 2u);
}

}  // namespace
