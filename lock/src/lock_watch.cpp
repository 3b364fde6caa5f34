#include "lock/lock_watch.hpp"

#include <algorithm>

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

std::string lasting(std::chrono::nanoseconds time) {
  using namespace std::chrono;
  const auto whole = [](auto count, const char* unit) { return std::to_string(count) + unit; };
  if (time < minutes(1)) {
    const auto tenths = (time.count() + 50'000'000) / 100'000'000;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
  }
  if (time < hours(1)) {
    return whole(duration_cast<minutes>(time).count(), " min ") +
           whole(duration_cast<seconds>(time).count() % 60, " s");
  }
  if (time < days(1)) {
    return whole(duration_cast<hours>(time).count(), " h ") +
           whole(duration_cast<minutes>(time).count() % 60, " min");
  }
  return whole(duration_cast<days>(time).count(), " d ") +
         whole(duration_cast<hours>(time).count() % 24, " h");
}

std::string describe(const LockState& state) {
  const std::string at = state.at.empty() ? "" : " at " + state.at;
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
    case LockState::Kind::lost:
      return "lock lost" + at + ", locked for " + lasting(state.after);
    case LockState::Kind::regained:
      return "lock regained" + at + ", lost for " + lasting(state.after);
    case LockState::Kind::unknown:
      break;
  }
  return "lock unknown: " + state.why;
}

std::string headline(const LockState& state) {
  if (state.kind == LockState::Kind::unknown) return "lock unknown";
  if (state.kind == LockState::Kind::lost) return "lock lost";
  if (state.kind == LockState::Kind::regained) return "lock regained";
  if (state.kind == LockState::Kind::replaced)
    return "replaced after " + milliseconds(state.after) + " ms";
  return describe(state);
}

LockWatch::LockWatch(bus::Port& port, std::chrono::milliseconds timeout)
    : port_(port),
      timeout_(timeout),
      state_{LockState::Kind::unknown, {}, *unknown_because(std::nullopt), ""} {}

std::optional<LockState> LockWatch::sent(std::string_view word) {
  if (!has_line()) return std::nullopt;
  std::optional<LockState> replaced;
  if (waiting())
    replaced = LockState{LockState::Kind::replaced, port_.clock().now() - sent_at_, "", ""};
  if (words::is_word_b(word)) {
    test_ = std::string(words::field_of(word, words::word_b_layout::kTest));
  }
  if (const auto why = unknown_because(test_)) {
    state_ = {LockState::Kind::unknown, {}, *why, ""};
    return replaced;
  }
  sent_at_ = port_.clock().now();
  read_since_sent_ = false;
  high_since_.reset();
  high_readings_ = 0;
  state_ = {LockState::Kind::waiting, {}, "", ""};
  return replaced;
}

void LockWatch::read() {
  if (!waiting()) return;
  if (read_since_sent_) port_.clock().pause(kPollPeriod);
  read_since_sent_ = true;
  poll();
}

bool LockWatch::read_level() {
  const bool high = port_.lock_level();
  (high ? levels_.high : levels_.low) = true;
  return high == bus::kLockedLevel;
}

void LockWatch::poll() {
  const bool high = read_level();
  // Dated when the level was on the line, not when it was asked for: an adapter's round trip
  // would otherwise count as lock time not yet spent.
  const auto elapsed = std::max(port_.clock().now() - port_.lock_level_span() - sent_at_,
                                std::chrono::nanoseconds::zero());
  if (high) {
    if (!high_since_) high_since_ = elapsed;
    ++high_readings_;
  } else {
    high_since_.reset();
    high_readings_ = 0;
  }
  if (high_since_ && elapsed - *high_since_ >= kSettle && high_readings_ >= kSettleReadings) {
    state_ = {LockState::Kind::locked, *high_since_, "", ""};
    held_since_ = sent_at_ + *high_since_;
  } else if (elapsed >= timeout_ && (!high_since_ || *high_since_ >= timeout_)) {
    // A steady high that began in time may finish settling after the timeout.
    state_ = {LockState::Kind::not_locked, timeout_, "", ""};
  }
}

const LockState& LockWatch::settle() {
  while (waiting()) read();
  return state_;
}

bool LockWatch::holding() const {
  using Kind = LockState::Kind;
  return state_.kind == Kind::locked || state_.kind == Kind::lost || state_.kind == Kind::regained;
}

bool LockWatch::looks_high(bool settling) {
  bus::Clock& clock = port_.clock();
  const auto start = clock.now();
  for (int readings = 0; readings < kSettleReadings || (settling && clock.now() - start < kSettle);
       ++readings) {
    if (settling && readings > 0) clock.pause(kPollPeriod);
    if (!read_level()) return false;
  }
  return true;
}

std::optional<LockState> LockWatch::check(bool fell, std::string_view at) {
  if (!holding()) return std::nullopt;
  const bool was_locked = state_.kind != LockState::Kind::lost;
  const bool high = was_locked ? !fell && looks_high(false) : looks_high(true);
  if (high == was_locked) return std::nullopt;
  const auto now = port_.clock().now();
  state_ = {high ? LockState::Kind::regained : LockState::Kind::lost, now - held_since_, "",
            std::string(at)};
  held_since_ = now;
  return state_;
}

}  // namespace lock
