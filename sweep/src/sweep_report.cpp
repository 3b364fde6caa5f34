#include "sweep/sweep_report.hpp"

#include <algorithm>

#include "words/word_a.hpp"

namespace sweep {

namespace {

// "116.90" from 116900 kHz.
std::string mhz_text(std::int32_t khz) {
  const std::int32_t hundredths = khz / 10;
  const std::string fraction = std::to_string(hundredths % 100);
  return std::to_string(hundredths / 100) + "." + (fraction.size() < 2 ? "0" : "") + fraction;
}

std::int32_t oscillator_khz(std::int32_t divider) { return divider * words::kKhzPerDividerStep; }

}  // namespace

std::string received_text(std::int32_t divider) {
  return mhz_text(oscillator_khz(divider) - words::kIntermediateFrequencyKhz);
}

std::string csv_header() { return "n,oscillator_mhz,received_mhz,locked,lock_ms"; }

std::string csv_row(const SweepRow& row) {
  return std::to_string(row.divider) + "," + mhz_text(oscillator_khz(row.divider)) + "," +
         received_text(row.divider) + "," +
         (row.lock_time ? "1," + lock::milliseconds(*row.lock_time) : "0,");
}

std::string csv(std::span<const SweepRow> rows) {
  std::string text = csv_header() + "\n";
  for (const auto& row : rows) text += csv_row(row) + "\n";
  return text;
}

std::string progress(int done, int steps, std::int32_t at) {
  return "sweeping: " + std::to_string(done) + " of " + std::to_string(steps) + " steps, at " +
         received_text(at) + " MHz";
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
    return "never locked from " + received_text(rows.front().divider) + " to " +
           received_text(rows.back().divider) + " MHz";
  }
  const auto last = std::ranges::find_if(rows.rbegin(), rows.rend(), locked);
  // Times are read a poll apart, so neighbours tie: the last of the slowest, the far end of
  // the stretch where the loop is slowest.
  auto slowest = first;
  for (auto row = first; row != rows.end(); ++row) {
    if (row->lock_time && *row->lock_time >= *slowest->lock_time) slowest = row;
  }
  return "locks from " + received_text(first->divider) + " to " + received_text(last->divider) +
         " MHz, slowest " + lock::milliseconds(*slowest->lock_time) + " ms at " +
         received_text(slowest->divider);
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
