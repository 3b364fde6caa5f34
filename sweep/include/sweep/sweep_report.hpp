#pragma once

#include <optional>
#include <span>
#include <string>

#include "lock/lock_watch.hpp"
#include "sweep/sweep_row.hpp"

namespace sweep {

// "n,oscillator_mhz,received_mhz,locked,lock_ms"
std::string csv_header();

// "11690,116.90,106.20,1,2.1"; lock_ms empty when it did not lock. Frequencies to the step (at
// 12.5 kHz, four places) and times to 0.1 ms, with a point whatever the locale, for spreadsheets
// and scripts.
std::string csv_row(const SweepRow& row);

// The header and the rows, a line each: the file a page downloads.
std::string csv(std::span<const SweepRow> rows);

// "sweeping: 12 of 571 steps, at 76.50 MHz": `done` steps, and the divider `at` which it is.
std::string progress(int done, int steps, std::int32_t at, words::Step step);

// "the sweep stopped after 12 of 571 steps".
std::string stopped(int done, int steps);

// "locks from 75.30 to 117.80 MHz, slowest 3.4 ms at 117.80", or "never locked from 63.00 to
// 120.00 MHz".
std::string summary(std::span<const SweepRow> rows);

// What a lock line that never changed over a whole sweep says of its wiring; nothing when it
// changed, or when the rows agree with what it read. `line` names it.
std::optional<std::string> wiring_doubt(const lock::LockWatch::Levels& levels,
                                        const std::string& line, std::span<const SweepRow> rows);

// "106.20": the received frequency of divider `n`, in MHz to the step: two places at 10 kHz,
// four at 12.5 kHz.
std::string received_text(std::int32_t divider, words::Step step);

}  // namespace sweep
