#include "lock_monitor.hpp"

#include <QTime>

#include "common/fatal_error.hpp"

namespace app {

LockMonitor::LockMonitor(bus::Inpout& library, bus::Port& port, form::Panel& panel,
                         std::chrono::milliseconds timeout)
    : watch_(port, timeout), port_(port), panel_(panel) {
  if (!watch_.has_line()) return;
  connect(&reading_, &QTimer::timeout, this, [this] { read(); });
  resting_.setSingleShot(true);
  resting_.setInterval(lock::kCheckPeriod);
  connect(&resting_, &QTimer::timeout, this, [this] {
    if (changes_) {
      changes_->setEnabled(true);
    } else {
      check(false);
    }
  });
  library.on_word_sent([this](std::string_view word) {
    resting_.stop();
    if (changes_) changes_->setEnabled(false);
    // Said at once, inside the event that sends the next word: right after the word it was for.
    if (const auto replaced = watch_.sent(word)) tell(*replaced);
    // The first reading, or the news of an unknown lock, comes after the event that sent the
    // word, so that what it logs comes after the word.
    reading_.start(0);
  });
}

void LockMonitor::read() {
  // A simulated chip is read to its verdict at once, held, so that no turn of the event loop
  // comes between two readings: its out-of-lock pulses are never stepped over.
  if (watch_.clock().waits_pass_at_once()) {
    const bus::Clock::Held held{watch_.clock()};
    settle();
    return;
  }
  // Each reading waits its poll period on the port's clock: a short sleep between the event
  // loop's turns, or none at all on the simulated chip's own time.
  if (!reads([this] { watch_.read(); }) || watch_.waiting()) return;
  reading_.stop();
  // A copy: a listener may send the next word, which starts the watch again.
  tell(lock::LockState(watch_.state()));
  hold();
}

lock::LockState LockMonitor::settle() {
  if (!reads([this] { watch_.settle(); })) return watch_.state();
  reading_.stop();
  const lock::LockState decided = watch_.state();
  tell(decided);
  hold();
  return decided;
}

void LockMonitor::hold() {
  if (!watch_.holding()) return;
  if (!changes_ && port_.lock_changes() >= 0) {
    changes_ = std::make_unique<QSocketNotifier>(port_.lock_changes(), QSocketNotifier::Read);
    connect(changes_.get(), &QSocketNotifier::activated, this, [this] {
      changes_->setEnabled(false);
      bool fell = false;
      if (reads([&] { fell = port_.take_lock_changes(); })) check(fell);
    });
  }
  // Changes told while the word was read are old news, but one look at them costs little.
  if (changes_) {
    changes_->setEnabled(true);
  } else {
    resting_.start();
  }
}

void LockMonitor::check(bool fell) {
  std::optional<lock::LockState> news;
  const auto at = QTime::currentTime().toString("HH:mm:ss").toStdString();
  if (!reads([&] { news = watch_.check(fell, at); })) return;
  if (news) tell(*news);
  if (watch_.holding()) resting_.start();
}

bool LockMonitor::reads(const std::function<void()>& reading) {
  try {
    reading();
    return true;
  } catch (const common::FatalError& error) {
    stop();
    panel_.fail(error.what());
    return false;
  }
}

void LockMonitor::stop() {
  reading_.stop();
  resting_.stop();
  if (changes_) changes_->setEnabled(false);
}

void LockMonitor::tell(const lock::LockState& decided) {
  for (const auto& heard : heard_) heard(decided);
}

}  // namespace app
