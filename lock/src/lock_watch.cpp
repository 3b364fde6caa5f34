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
      return "not locked within " +
             std::to_string(
                 std::chrono::duration_cast<std::chrono::milliseconds>(state.after).count()) +
             " ms";
    case LockState::Kind::replaced:
      return "replaced after " + milliseconds(state.after) + " ms, not locked yet";
    case LockState::Kind::unknown:
      break;
  }
  return "lock unknown: " + state.why;
}

std::string headline(const LockState& state) {
  if (state.kind == LockState::Kind::unknown) return "lock unknown";
  if (state.kind == LockState::Kind::replaced)
    return "replaced after " + milliseconds(state.after) + " ms";
  return describe(state);
}

LockWatch::LockWatch(bus::Port& port, std::chrono::milliseconds timeout)
    : port_(port),
      timeout_(timeout),
      state_{LockState::Kind::unknown, {}, *unknown_because(std::nullopt)} {}

std::optional<LockState> LockWatch::sent(std::string_view word) {
  if (!has_line()) return std::nullopt;
  std::optional<LockState> replaced;
  if (waiting())
    replaced = LockState{LockState::Kind::replaced, port_.clock().now() - sent_at_, ""};
  if (words::is_word_b(word)) {
    test_ = std::string(words::field_of(word, words::word_b_layout::kTest));
  }
  if (const auto why = unknown_because(test_)) {
    state_ = {LockState::Kind::unknown, {}, *why};
    return replaced;
  }
  sent_at_ = port_.clock().now();
  read_since_sent_ = false;
  high_since_.reset();
  high_readings_ = 0;
  state_ = {LockState::Kind::waiting, {}, ""};
  return replaced;
}

void LockWatch::read() {
  if (!waiting()) return;
  if (read_since_sent_) port_.clock().pause(kPollPeriod);
  read_since_sent_ = true;
  poll();
}

void LockWatch::poll() {
  const auto elapsed = port_.clock().now() - sent_at_;
  const bool high = port_.lock_level();
  (high ? levels_.high : levels_.low) = true;
  if (high == bus::kLockedLevel) {
    if (!high_since_) high_since_ = elapsed;
    ++high_readings_;
  } else {
    high_since_.reset();
    high_readings_ = 0;
  }
  if (high_since_ && elapsed - *high_since_ >= kSettle && high_readings_ >= kSettleReadings) {
    state_ = {LockState::Kind::locked, *high_since_, ""};
  } else if (elapsed >= timeout_ && (!high_since_ || *high_since_ >= timeout_)) {
    // A steady high that began in time may finish settling after the timeout.
    state_ = {LockState::Kind::not_locked, timeout_, ""};
  }
}

const LockState& LockWatch::settle() {
  while (waiting()) read();
  return state_;
}

}  // namespace lock
