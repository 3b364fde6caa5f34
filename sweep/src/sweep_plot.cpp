#include "sweep/sweep_plot.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "lock/lock_watch.hpp"
#include "sweep/frequency_axis.hpp"
#include "sweep/sweep_report.hpp"
#include "words/word_a.hpp"

namespace sweep {

namespace {

constexpr double kWidth = 720, kHeight = 360;
constexpr double kLeft = 64, kRight = 24, kTop = 60, kBottom = 56;

// A coordinate to a tenth, with a point whatever the locale.
std::string number(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
  return std::string(text, end);
}

double mhz(const SweepRow& row) { return words::received_mhz(row.divider, row.step); }
double ms(std::chrono::nanoseconds time) {
  return std::chrono::duration<double, std::milli>(time).count();
}

struct Scale {
  double low_mhz, high_mhz, top_ms;
  double x(double at) const {
    return kLeft + (at - low_mhz) / (high_mhz - low_mhz) * (kWidth - kLeft - kRight);
  }
  double y(double at) const { return kHeight - kBottom - at / top_ms * (kHeight - kTop - kBottom); }
};

std::string text(double x, double y, const std::string& anchor, const std::string& words) {
  return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\">" +
         words + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& style) {
  return "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) +
         "\" y2=\"" + number(y2) + "\" " + style + "/>\n";
}

std::string axes(const Scale& scale, const std::vector<FrequencyTick>& ticks) {
  const double bottom = kHeight - kBottom;
  std::string svg = line(kLeft, kTop, kLeft, bottom, "stroke=\"black\"") +
                    line(kLeft, bottom, kWidth - kRight, bottom, "stroke=\"black\"");
  for (const auto& tick : ticks) {
    const double at = scale.x(tick.khz / 1000.0);
    svg += line(at, bottom, at, bottom + 5, "stroke=\"black\"") +
           text(at, bottom + 20, "middle", tick.label);
  }
  for (int at = 0; at <= scale.top_ms; ++at) {
    svg += line(kLeft - 5, scale.y(at), kLeft, scale.y(at), "stroke=\"black\"") +
           text(kLeft - 8, scale.y(at) + 5, "end", std::to_string(at));
  }
  return svg +
         text((kLeft + kWidth - kRight) / 2, kHeight - 12, "middle", "received frequency (MHz)") +
         "<text transform=\"translate(18 " + number((kTop + bottom) / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">lock time (ms)</text>\n";
}

// Each stretch of steps that did not lock, as a band from half a step before it to half after.
std::string unlocked_bands(std::span<const SweepRow> rows, const Scale& scale) {
  const double half_step = rows.size() > 1 ? std::abs(mhz(rows[1]) - mhz(rows[0])) / 2 : 0.05;
  std::string svg;
  for (std::size_t i = 0; i < rows.size();) {
    if (rows[i].lock_time) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end + 1 < rows.size() && !rows[end + 1].lock_time) ++end;
    const auto [low, high] = std::minmax({mhz(rows[i]), mhz(rows[end])});
    const double x1 = scale.x(std::max(low - half_step, scale.low_mhz));
    const double x2 = scale.x(std::min(high + half_step, scale.high_mhz));
    svg += "<rect x=\"" + number(x1) + "\" y=\"" + number(kTop) + "\" width=\"" + number(x2 - x1) +
           "\" height=\"" + number(kHeight - kTop - kBottom) +
           "\" fill=\"#f4c7c3\"><title>not locked from " +
           received_text(rows[i].divider, rows[i].step) + " to " +
           received_text(rows[end].divider, rows[end].step) + " MHz</title></rect>\n";
    i = end + 1;
  }
  return svg;
}

// The lock times: a line through each stretch that locked, a dot where one step locked alone.
std::string lock_times(std::span<const SweepRow> rows, const Scale& scale) {
  const auto x = [&](const SweepRow& row) { return number(scale.x(mhz(row))); };
  const auto y = [&](const SweepRow& row) { return number(scale.y(ms(*row.lock_time))); };
  std::string svg;
  for (auto row = rows.begin(); row != rows.end(); ++row) {
    if (!row->lock_time) continue;
    const auto end =
        std::find_if(row, rows.end(), [](const SweepRow& step) { return !step.lock_time; });
    if (end - row == 1) {
      svg += "<circle cx=\"" + x(*row) + "\" cy=\"" + y(*row) + "\" r=\"3\" fill=\"#1a5fb4\"/>\n";
    } else {
      std::string points;
      for (auto at = row; at != end; ++at) points += (at == row ? "" : " ") + x(*at) + "," + y(*at);
      svg += "<polyline fill=\"none\" stroke=\"#1a5fb4\" stroke-width=\"2\" points=\"" + points +
             "\"/>\n";
    }
    row = end - 1;
  }
  return svg;
}

}  // namespace

std::string svg_plot(std::span<const SweepRow> rows, std::chrono::milliseconds timeout) {
  double slowest = 0;
  for (const auto& row : rows) {
    if (row.lock_time) slowest = std::max(slowest, ms(*row.lock_time));
  }
  // Before the first step, the slider's whole band; the axis runs in whole kHz about the ends.
  const words::Step step = rows.empty() ? words::kFirstStep : rows.front().step;
  const auto khz = [step](std::int32_t divider) {
    return static_cast<std::int32_t>(words::received_hz(divider, step) / 1000);
  };
  // A downward sweep is drawn on the same axis as an upward one.
  const auto [lowest, highest] =
      std::minmax({rows.empty() ? words::kLowestDivider : rows.front().divider,
                   rows.empty() ? words::kHighestDivider : rows.back().divider});
  const auto ticks =
      frequency_ticks(khz(lowest), khz(highest) + (step.hz % 1000 != 0), kWidth - kLeft - kRight);
  const Scale scale{ticks.front().khz / 1000.0, ticks.back().khz / 1000.0,
                    std::max(1.0, std::ceil(slowest))};
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(kWidth) + "\" height=\"" +
         number(kHeight) + "\" viewBox=\"0 0 " + number(kWidth) + " " + number(kHeight) +
         "\" font-family=\"sans-serif\" font-size=\"13\">\n"
         "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" +
         text(kWidth / 2, 22, "middle",
              "<tspan font-weight=\"bold\">Lock time against frequency</tspan>") +
         text(kWidth / 2, 42, "middle",
              summary(rows) + "; shaded: not locked within " + std::to_string(timeout.count()) +
                  " ms") +
         unlocked_bands(rows, scale) + lock_times(rows, scale) + axes(scale, ticks) + "</svg>\n";
}

}  // namespace sweep
