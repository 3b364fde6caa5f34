#include "lock_monitor.hpp"

#include "common/fatal_error.hpp"

namespace app {

LockMonitor::LockMonitor(bus::Inpout& library, bus::Port& port, form::Panel& panel,
                         std::chrono::milliseconds timeout)
    : watch_(port, timeout), panel_(panel) {
  if (!watch_.has_line()) return;
  connect(&reading_, &QTimer::timeout, this, [this] { read(); });
  library.on_word_sent([this](std::string_view word) {
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
  try {
    // Each reading waits its poll period on the port's clock: a short sleep between the event
    // loop's turns, or none at all on the simulated chip's own time.
    watch_.read();
  } catch (const common::FatalError& error) {
    reading_.stop();
    panel_.fail(error.what());
    return;
  }
  if (watch_.waiting()) return;
  reading_.stop();
  // A copy: a listener may send the next word, which starts the watch again.
  tell(lock::LockState(watch_.state()));
}

lock::LockState LockMonitor::settle() {
  try {
    watch_.settle();
  } catch (const common::FatalError& error) {
    reading_.stop();
    panel_.fail(error.what());
    return watch_.state();
  }
  reading_.stop();
  const lock::LockState decided = watch_.state();
  tell(decided);
  return decided;
}

void LockMonitor::tell(const lock::LockState& decided) {
  for (const auto& heard : heard_) heard(decided);
}

}  // namespace app
