#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bus/inpout.hpp"
#include "form/panel.hpp"
#include "lock/lock_watch.hpp"

namespace app {

// Watches the lock line after each word on the panel's thread without holding it up: one
// reading per turn of the event loop until the state is decided, so the window, rigctld and the
// page go on meanwhile. A word replaced before its lock was decided is told as such. Once
// locked, the line is looked at lock::kChecksPerSecond times a second, or on its changes where
// the system tells them, and a loss or a lock regained is told. Does nothing for a port without
// a lock line.
class LockMonitor : public QObject {
 public:
  LockMonitor(bus::Inpout& library, bus::Port& port, form::Panel& panel,
              std::chrono::milliseconds timeout);

  // Hears of each state once it is decided (and of "unknown" whenever it is told again), and of
  // each loss and regain, after those who asked before.
  void on_decided(std::function<void(const lock::LockState&)> heard) {
    heard_.push_back(std::move(heard));
  }

  lock::LockWatch& watch() { return watch_; }

  // Reads the line until the state is decided, now, and tells it: for a sweep, whose times must
  // be the line's alone. A failed reading fails the panel.
  lock::LockState settle();

  // For the information line: none without a lock line.
  const lock::LockState* state() const { return watch_.has_line() ? &watch_.state() : nullptr; }

 private:
  void read();
  void tell(const lock::LockState& decided);
  // After a verdict: the looks begin if the word locked.
  void hold();
  void check(bool fell);
  // Runs a reading of the line; a failed one stops the watch and fails the panel.
  bool reads(const std::function<void()>& reading);
  void stop();

  lock::LockWatch watch_;
  bus::Port& port_;
  form::Panel& panel_;
  QTimer reading_;
  // The time between looks; for a line that tells its changes, the rest after one.
  QTimer resting_;
  std::unique_ptr<QSocketNotifier> changes_;
  std::vector<std::function<void(const lock::LockState&)>> heard_;
};

}  // namespace app
