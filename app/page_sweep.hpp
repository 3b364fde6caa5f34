#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "form/panel.hpp"
#include "lock_monitor.hpp"
#include "sweep/band_sweep.hpp"
#include "sweep/sweep_row.hpp"
#include "web/sweep_control.hpp"

namespace app {

// The band sweep a web page starts: a step at each lock the monitor decides, so that the window,
// rigctld and the pages go on between steps. A tuning from anywhere else, or the test pin put on
// another function, stops it where it is; otherwise it ends back on the divider it started from.
class PageSweep : public QObject, public web::SweepControl {
 public:
  // `line` names the lock line, for what its levels say of its wiring.
  PageSweep(form::Panel& panel, LockMonitor& lock, std::string line);

  // Hears of each step, and of the end with what the pages are to show.
  void on_progress(std::function<void()> heard) { progress_heard_ = std::move(heard); }
  void on_finished(std::function<void(const web::SweepOutcome&)> heard) {
    finished_heard_ = std::move(heard);
  }

  std::optional<std::string> start(const std::string& range) override;
  void stop() override;
  std::string progress() const override;

 private:
  // "the sweep stopped after 12 of 571 steps"
  std::string stopped() const;
  // Why the sweep stops where it is, if the divider is not the step's.
  std::optional<std::string> moved_elsewhere() const;
  void next_step();
  void decided(const lock::LockState& lock);
  void end(std::optional<std::string> why_stopped, bool tune_back);

  form::Panel& panel_;
  LockMonitor& lock_;
  std::string line_;
  std::optional<sweep::BandSweep> sweep_;
  bool stepping_ = false;  // a step's word is out, its lock not yet decided
  std::int32_t tuned_before_ = 0;
  std::vector<sweep::SweepRow> rows_;
  std::function<void()> progress_heard_;
  std::function<void(const web::SweepOutcome&)> finished_heard_;
};

}  // namespace app
