#include "page_sweep.hpp"

#include <QTimer>
#include <variant>

#include "cli/sweep_argument.hpp"
#include "sweep/sweep_plot.hpp"
#include "sweep/sweep_report.hpp"

namespace app {

PageSweep::PageSweep(form::Panel& panel, LockMonitor& lock, std::string line)
    : panel_(panel), lock_(lock), line_(std::move(line)) {
  lock_.on_decided([this](const lock::LockState& state) { decided(state); });
}

std::optional<std::string> PageSweep::start(const std::string& range) {
  if (sweep_) return "A sweep is running already: stop it first";
  const auto dividers = cli::sweep_range(range);
  if (const auto* why = std::get_if<std::string>(&dividers)) {
    return "Cannot sweep " + range + ": " + *why;
  }
  const auto& [from, to, step] = std::get<cli::Sweep>(dividers);
  sweep::BandSweep candidate{panel_, lock_.watch(), from, to, step};
  if (auto refusal = candidate.refusal("choose it for the test pin and press Send Word 'B'")) {
    return refusal;
  }
  sweep_.emplace(candidate);
  tuned_before_ = panel_.divider();
  rows_.clear();
  next_step();
  return std::nullopt;
}

void PageSweep::stop() {
  if (sweep_) end(stopped(), true);
}

std::string PageSweep::progress() const {
  if (!sweep_) return "";
  return sweep::progress(static_cast<int>(rows_.size()), sweep_->steps(), sweep_->stepped());
}

std::string PageSweep::stopped() const {
  return sweep::stopped(static_cast<int>(rows_.size()), sweep_->steps());
}

std::optional<std::string> PageSweep::moved_elsewhere() const {
  if (panel_.divider() == sweep_->stepped()) return std::nullopt;
  return stopped() + ": the divider was moved to " + std::to_string(panel_.divider());
}

void PageSweep::next_step() {
  if (!sweep_) return;
  // A tuning from elsewhere in the turn since the last lock was decided: the next step, or
  // the way back, would undo it unseen.
  if (!rows_.empty()) {
    if (auto moved = moved_elsewhere()) {
      end(std::move(moved), false);
      return;
    }
  }
  if (sweep_->done()) {
    end(std::nullopt, true);
    return;
  }
  stepping_ = sweep_->start_step();
  if (!stepping_) end(std::nullopt, false);
}

void PageSweep::decided(const lock::LockState& lock) {
  if (!stepping_) return;
  stepping_ = false;
  if (auto moved = moved_elsewhere()) {
    end(std::move(moved), false);
    return;
  }
  if (lock.kind == lock::LockState::Kind::unknown) {
    end(stopped() + ": " + lock::describe(lock), false);
    return;
  }
  rows_.push_back(sweep_->finish_step(lock));
  if (progress_heard_) progress_heard_();
  // After the event loop's turn, so that the others who heard of this lock hear of it first.
  QTimer::singleShot(0, this, [this] { next_step(); });
}

void PageSweep::end(std::optional<std::string> why_stopped, bool tune_back) {
  web::SweepOutcome outcome{sweep::summary(rows_), {}, sweep::csv(rows_), sweep::svg_plot(rows_)};
  if (why_stopped) {
    outcome.notes.push_back(*why_stopped);
  } else if (const auto doubt = sweep::wiring_doubt(lock_.watch().levels_read(), line_)) {
    outcome.notes.push_back(*doubt);
  }
  sweep_.reset();
  stepping_ = false;
  if (panel_.failed()) return;
  if (tune_back) panel_.tune(tuned_before_);
  if (finished_heard_) finished_heard_(outcome);
  if (progress_heard_) progress_heard_();
}

}  // namespace app
