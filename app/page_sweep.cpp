#include "page_sweep.hpp"

#include <variant>

#include "cli/sweep_argument.hpp"
#include "sweep/sweep_plot.hpp"
#include "sweep/sweep_report.hpp"

namespace app {

namespace {

// A simulated sweep takes hundreds of steps in a blink: after the first, each step's progress is
// shown at once only this long after the last so shown, or a page on a slow link would fall
// behind on its socket.
constexpr qint64 kProgressAtOnceEveryMs = 100;

}  // namespace

PageSweep::PageSweep(form::Panel& panel, LockMonitor& lock, std::string line)
    : panel_(panel), lock_(lock), line_(std::move(line)) {
  connect(&stepping_, &QTimer::timeout, this, [this] { next_step(); });
}

std::optional<std::string> PageSweep::start(const std::string& range) {
  if (sweep_) return "A sweep is running already: stop it first";
  const auto dividers = cli::sweep_range(range, panel_.step());
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
  since_shown_.invalidate();
  stepping_.start(0);
  return std::nullopt;
}

void PageSweep::stop() {
  if (sweep_) end(stopped(), true);
}

std::string PageSweep::progress() const {
  if (!sweep_) return "";
  return sweep::progress(static_cast<int>(rows_.size()), sweep_->steps(),
                         sweep_->done() ? sweep_->stepped() : sweep_->next_divider(),
                         panel_.step());
}

std::string PageSweep::stopped() const {
  return sweep::stopped(static_cast<int>(rows_.size()), sweep_->steps());
}

std::optional<std::string> PageSweep::interrupted() const {
  // A tuning from elsewhere since the last step: the next step, or the way back, would undo it
  // unseen.
  if (!rows_.empty() && panel_.divider() != sweep_->stepped()) {
    return stopped() + ": the divider was moved to " + std::to_string(panel_.divider());
  }
  const auto& lock = lock_.watch().state();
  if (lock.kind == lock::LockState::Kind::unknown) return stopped() + ": " + lock::describe(lock);
  return std::nullopt;
}

void PageSweep::next_step() {
  if (auto why = interrupted()) return end(std::move(why), false);
  if (sweep_->done()) return end(std::nullopt, true);
  const bool at_once = !since_shown_.isValid() || since_shown_.elapsed() >= kProgressAtOnceEveryMs;
  if (at_once) since_shown_.start();
  if (progress_heard_) progress_heard_(at_once);
  bus::Clock& clock = lock_.watch().clock();
  const auto started = clock.now();
  const auto row = sweep_->step([this] { return lock_.settle(); });
  if (!row) return end(std::nullopt, false);
  rows_.push_back(*row);
  // A simulated chip's waits took no time: the next step comes when the chip's would, so that
  // its sweep runs at a board's pace, to be watched and stopped from the pages.
  if (clock.waits_pass_at_once()) {
    stepping_.setInterval(std::chrono::ceil<std::chrono::milliseconds>(clock.now() - started));
  }
}

void PageSweep::end(std::optional<std::string> why_stopped, bool tune_back) {
  stepping_.stop();
  web::SweepOutcome outcome{sweep::summary(rows_),
                            {},
                            sweep::csv(rows_),
                            sweep::svg_plot(rows_, lock_.watch().timeout())};
  if (why_stopped) {
    outcome.notes.push_back(*why_stopped);
  } else if (const auto doubt = sweep::wiring_doubt(lock_.watch().levels_read(), line_, rows_)) {
    outcome.notes.push_back(*doubt);
  }
  sweep_.reset();
  if (panel_.failed()) return;
  if (tune_back) panel_.tune(tuned_before_);
  if (finished_heard_) finished_heard_(outcome);
  if (progress_heard_) progress_heard_(false);
}

}  // namespace app
