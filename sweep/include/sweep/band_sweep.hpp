#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "form/panel.hpp"
#include "lock/lock_watch.hpp"
#include "sweep/sweep_row.hpp"

namespace sweep {

// Steps the divider from `from` toward `to` (downward where `to` is below), `step` apart, ending
// on `to` even where the step does not divide the span, and waits at each step until the watch
// knows whether the loop locked.
class BandSweep {
 public:
  BandSweep(form::Panel& panel, lock::LockWatch& watch, std::int32_t from, std::int32_t to,
            std::int32_t step);

  // Why the sweep cannot tell lock from no lock, ending with `way_out` where the test pin is on
  // another function; nothing when it can. Asked once the panel has started and sent the Word B
  // it was given.
  std::optional<std::string> refusal(std::string_view way_out) const;

  bool done() const { return started_ >= steps() || panel_.failed(); }
  int steps() const;
  int steps_done() const { return started_; }
  // The divider of the step to come.
  std::int32_t next_divider() const { return divider_of(started_); }

  // The divider of the step started last.
  std::int32_t stepped() const { return divider_of(started_ - 1); }

  // The next step, reading the line until the watch decides; nothing when the panel failed on
  // it.
  std::optional<SweepRow> step();
  // The same, its lock decided by `settle` (a monitor that tells others as it decides).
  std::optional<SweepRow> step(const std::function<lock::LockState()>& settle);

 private:
  std::int32_t divider_of(int index) const;
  // Tunes the next step's divider; false when the panel failed on it.
  bool start_step();
  // That step's row, from the lock the watch decided for it.
  SweepRow finish_step(const lock::LockState& lock) const;

  form::Panel& panel_;
  lock::LockWatch& watch_;
  std::int32_t from_;
  std::int32_t to_;
  std::int32_t step_;
  int started_ = 0;
};

}  // namespace sweep
