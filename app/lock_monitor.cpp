#include "lock_monitor.hpp"

#include "common/fatal_error.hpp"

namespace app {

namespace {

// A loop that locks at all mostly does within a few milliseconds: the line is read at every
// turn of the event loop for that long, then once a millisecond, so that a word that never
// locks does not take a core for the whole timeout.
constexpr std::chrono::milliseconds kEveryTurnFor{10};
constexpr std::chrono::milliseconds kThenEvery{1};

}  // namespace

LockMonitor::LockMonitor(bus::Inpout& library, bus::Port& port, form::Panel& panel)
    : watch_(port), panel_(panel) {
  if (!watch_.has_line()) return;
  reading_.setTimerType(Qt::PreciseTimer);
  connect(&reading_, &QTimer::timeout, this, [this] { read(); });
  library.on_word_sent([this](std::string_view word) {
    watch_.sent(word);
    // The first reading, or the news of an unknown lock, comes after the event that sent the
    // word, so that what it logs comes after the word.
    reading_.start(0);
  });
}

void LockMonitor::read() {
  try {
    watch_.poll();
  } catch (const common::FatalError& error) {
    reading_.stop();
    panel_.fail(error.what());
    return;
  }
  if (watch_.waiting()) {
    if (reading_.interval() == 0 && watch_.waited() >= kEveryTurnFor) {
      reading_.setInterval(kThenEvery);
    }
    return;
  }
  reading_.stop();
  // A copy: a listener may send the next word, which starts the watch again.
  const lock::LockState decided = watch_.state();
  for (const auto& heard : heard_) heard(decided);
}

}  // namespace app
