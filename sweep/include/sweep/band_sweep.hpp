#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "form/panel.hpp"
#include "lock/lock_watch.hpp"
#include "sweep/sweep_row.hpp"

namespace sweep {

// Steps the divider from `from` to `to` as the slider would move it, and waits at each step
// until the watch knows whether the loop locked.
class BandSweep {
 public:
  BandSweep(form::Panel& panel, lock::LockWatch& watch, std::int32_t from, std::int32_t to,
            std::int32_t step);

  // Why the sweep cannot tell lock from no lock, and what to do; nothing when it can. Asked
  // once the panel has started and sent the Word B it was given.
  std::optional<std::string> refusal() const;

  bool done() const { return next_ > to_ || panel_.failed(); }
  int steps() const;
  int steps_done() const { return (next_ - from_) / step_; }

  // The next step; nothing when the panel failed on it.
  std::optional<SweepRow> step();

 private:
  form::Panel& panel_;
  lock::LockWatch& watch_;
  std::int32_t from_;
  std::int32_t to_;
  std::int32_t step_;
  std::int32_t next_;
};

}  // namespace sweep
