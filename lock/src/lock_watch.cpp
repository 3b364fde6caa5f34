#include "lock/lock_watch.hpp"

#include "bus/wiring.hpp"
#include "words/word_b.hpp"

namespace lock {

namespace {

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Why the line cannot tell the lock with `test` on the pin; nothing when it can.
std::optional<std::string> unknown_because(const std::optional<std::string>& test) {
  const std::string wanted = quoted(*words::item_for(words::kTestRows, words::kTestInLock));
  if (!test) return "no Word B has put the test pin on " + wanted + " yet";
  if (*test == words::kTestInLock) return std::nullopt;
  const auto item = words::item_for(words::kTestRows, *test);
  return "the test pin shows " + (item ? quoted(*item) : "test function " + *test) + ", not " +
         wanted;
}

}  // namespace

std::string milliseconds(std::chrono::nanoseconds time) {
  const auto tenths = (time.count() + 50'000) / 100'000;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string describe(const LockState& state) {
  switch (state.kind) {
    case LockState::Kind::waiting:
      return "waiting for lock";
    case LockState::Kind::locked:
      return "locked after " + milliseconds(state.after) + " ms";
    case LockState::Kind::not_locked:
      return "not locked within " + std::to_string(kLockTimeout.count()) + " ms";
    case LockState::Kind::unknown:
      break;
  }
  return "lock unknown: " + state.why;
}

std::string headline(const LockState& state) {
  return state.kind == LockState::Kind::unknown ? "lock unknown" : describe(state);
}

LockWatch::LockWatch(bus::Port& port)
    : port_(port), state_{LockState::Kind::unknown, {}, *unknown_because(std::nullopt)} {}

void LockWatch::sent(std::string_view word) {
  if (!has_line()) return;
  if (words::is_word_b(word)) {
    test_ = std::string(words::field_of(word, words::word_b_layout::kTest));
  }
  if (const auto why = unknown_because(test_)) {
    state_ = {LockState::Kind::unknown, {}, *why};
    return;
  }
  sent_at_ = port_.clock().now();
  state_ = {LockState::Kind::waiting, {}, ""};
}

void LockWatch::poll() {
  if (!waiting()) return;
  const auto elapsed = waited();
  const bool high = port_.lock_level();
  (high ? levels_.high : levels_.low) = true;
  if (high == bus::kLockedLevel) {
    state_ = {LockState::Kind::locked, elapsed, ""};
  } else if (elapsed >= kLockTimeout) {
    state_ = {LockState::Kind::not_locked, {}, ""};
  }
}

const LockState& LockWatch::settle() {
  for (poll(); waiting(); poll()) port_.clock().pause(kPollPeriod);
  return state_;
}

}  // namespace lock
