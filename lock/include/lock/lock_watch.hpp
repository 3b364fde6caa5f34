#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "bus/port.hpp"

namespace lock {

// How long a word is given to lock, and how often a waiting sweep reads the line.
inline constexpr std::chrono::milliseconds kLockTimeout{100};
inline constexpr std::chrono::microseconds kPollPeriod{100};

struct LockState {
  enum class Kind { waiting, locked, not_locked, unknown };
  Kind kind = Kind::unknown;
  std::chrono::nanoseconds after{};  // locked: from the word's end to the first locked reading
  std::string why;                   // unknown: the reason
  friend bool operator==(const LockState&, const LockState&) = default;
};

// "locked after 1.2 ms", "not locked within 100 ms", "lock unknown: ...", "waiting for lock".
std::string describe(const LockState& state);

// describe's, but "lock unknown" without its reason: for a narrow line.
std::string headline(const LockState& state);

// "1.2": a lock time in milliseconds, to the nearest tenth, whatever the locale.
std::string milliseconds(std::chrono::nanoseconds time);

// Watches the port's lock line after each word: once Word B has put the test pin on
// "Output in-lock counter", each word is followed by readings until one says locked or the
// timeout passes. With the pin on another function the lock is unknown, and says why.
class LockWatch {
 public:
  explicit LockWatch(bus::Port& port);

  bool has_line() const { return port_.lock_line().has_value(); }

  // `word` (its 16 bits) has just been loaded into the chip.
  void sent(std::string_view word);

  bool waiting() const { return state_.kind == LockState::Kind::waiting; }
  // Since the last word, on the port's clock.
  std::chrono::nanoseconds waited() const { return port_.clock().now() - sent_at_; }

  // One reading of the line while waiting. Throws common::FatalError.
  void poll();

  // Readings kPollPeriod apart, on the port's clock, until the state is decided.
  const LockState& settle();

  const LockState& state() const { return state_; }

  // The levels read since the watch began: a line that never changes is wired wrong.
  struct Levels {
    bool high = false;
    bool low = false;
  };
  const Levels& levels_read() const { return levels_; }

 private:
  bus::Port& port_;
  std::optional<std::string> test_;  // the last Word B's test function
  std::chrono::nanoseconds sent_at_{};
  LockState state_;
  Levels levels_;
};

}  // namespace lock
