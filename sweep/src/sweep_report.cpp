#include "sweep/sweep_report.hpp"

#include <algorithm>

#include "words/word_a.hpp"

namespace sweep {

namespace {

// "116.90" from 116900000 Hz at 10 kHz: the places that the step's multiples need.
std::string mhz_text(std::int64_t hz, words::Step step) {
  int places = 6;
  for (std::int32_t unit = 10; places > 0 && step.hz % unit == 0; unit *= 10) --places;
  std::string digits = std::to_string(hz);
  digits.insert(0, digits.size() < 7 ? 7 - digits.size() : 0, '0');
  digits.resize(digits.size() - static_cast<std::size_t>(6 - places));
  digits.insert(digits.size() - static_cast<std::size_t>(places), ".");
  return digits;
}

}  // namespace

std::string received_text(std::int32_t divider, words::Step step) {
  return mhz_text(words::received_hz(divider, step), step);
}

std::string csv_header() { return "n,oscillator_mhz,received_mhz,locked,lock_ms"; }

std::string csv_row(const SweepRow& row) {
  return std::to_string(row.divider) + "," +
         mhz_text(words::oscillator_hz(row.divider, row.step), row.step) + "," +
         received_text(row.divider, row.step) + "," +
         (row.lock_time ? "1," + lock::milliseconds(*row.lock_time) : "0,");
}

std::string csv(std::span<const SweepRow> rows) {
  std::string text = csv_header() + "\n";
  for (const auto& row : rows) text += csv_row(row) + "\n";
  return text;
}

std::string progress(int done, int steps, std::int32_t at, words::Step step) {
  return "sweeping: " + std::to_string(done) + " of " + std::to_string(steps) + " steps, at " +
         received_text(at, step) + " MHz";
}

std::string stopped(int done, int steps) {
  return "the sweep stopped after " + std::to_string(done) + " of " + std::to_string(steps) +
         " steps";
}

std::string summary(std::span<const SweepRow> rows) {
  if (rows.empty()) return "no step swept";
  const auto locked = [](const SweepRow& row) { return row.lock_time.has_value(); };
  const auto first = std::ranges::find_if(rows, locked);
  if (first == rows.end()) {
    return "never locked from " + received_text(rows.front().divider, rows.front().step) + " to " +
           received_text(rows.back().divider, rows.back().step) + " MHz";
  }
  const auto last = std::ranges::find_if(rows.rbegin(), rows.rend(), locked);
  // Times are read a poll apart, so neighbours tie: the last of the slowest, the far end of
  // the stretch where the loop is slowest.
  auto slowest = first;
  for (auto row = first; row != rows.end(); ++row) {
    if (row->lock_time && *row->lock_time >= *slowest->lock_time) slowest = row;
  }
  return "locks from " + received_text(first->divider, first->step) + " to " +
         received_text(last->divider, last->step) + " MHz, slowest " +
         lock::milliseconds(*slowest->lock_time) + " ms at " +
         received_text(slowest->divider, slowest->step);
}

std::optional<std::string> wiring_doubt(const lock::LockWatch::Levels& levels,
                                        const std::string& line, std::span<const SweepRow> rows) {
  if (levels.high && levels.low) return std::nullopt;
  // A loop that never locks may be swept where it cannot: the line's doubt only if it should.
  if (levels.low && !rows.empty()) {
    return summary(rows) +
           ": if the oscillator should lock there, check the pull-up on the lock line (" + line +
           "), which read low throughout";
  }
  if (levels.high) {
    return "The lock line (" + line +
           ") read high throughout: is it wired to the chip's test pin, and Word B sent to it?";
  }
  return std::nullopt;
}

}  // namespace sweep
