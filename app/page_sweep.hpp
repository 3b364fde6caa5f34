#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
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

// The band sweep a web page starts: the command line's steps, each read on the port's own clock
// inside one turn of the event loop, so that its times are the line's and not the loop's, and
// the window, rigctld and the pages go on between steps. A tuning from anywhere else, or the
// test pin put on another function, stops it where it is; otherwise it ends back on the divider
// it started from.
class PageSweep : public QObject, public web::SweepControl {
 public:
  // `line` names the lock line, for what its levels say of its wiring.
  PageSweep(form::Panel& panel, LockMonitor& lock, std::string line);

  // Hears of each step before it is taken (`at_once`: to be shown now, not once the event loop
  // comes round), and of the end with what the pages are to show.
  void on_progress(std::function<void(bool at_once)> heard) { progress_heard_ = std::move(heard); }
  void on_finished(std::function<void(const web::SweepOutcome&)> heard) {
    finished_heard_ = std::move(heard);
  }

  std::optional<std::string> start(const std::string& range) override;
  void stop() override;
  std::string progress() const override;

 private:
  // "the sweep stopped after 12 of 571 steps"
  std::string stopped() const;
  // Why the sweep cannot take its next step where it is; nothing when it can.
  std::optional<std::string> interrupted() const;
  void next_step();
  void end(std::optional<std::string> why_stopped, bool tune_back);

  form::Panel& panel_;
  LockMonitor& lock_;
  std::string line_;
  std::optional<sweep::BandSweep> sweep_;
  QTimer stepping_;
  std::int32_t tuned_before_ = 0;
  std::vector<sweep::SweepRow> rows_;
  QElapsedTimer since_shown_;
  std::function<void(bool)> progress_heard_;
  std::function<void(const web::SweepOutcome&)> finished_heard_;
};

}  // namespace app
