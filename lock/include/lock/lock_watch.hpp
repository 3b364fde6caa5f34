#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "bus/port.hpp"

namespace lock {

// How long a word is given to lock unless told otherwise, and how often the line is read.
inline constexpr std::chrono::milliseconds kLockTimeout{100};
inline constexpr std::chrono::microseconds kPollPeriod{100};

// The in-lock output pulses low while the loop is out of lock, as often as the phase comparator
// finds an error: a high reading proves nothing until the line has stayed high over a few
// comparisons (two at the 1 kHz reference). Counted in readings too: an FTDI pin read is a USB
// round trip of about a millisecond, and two readings would span the time unseen.
inline constexpr std::chrono::milliseconds kSettle{2};
inline constexpr int kSettleReadings = 4;

struct LockState {
  enum class Kind { waiting, locked, not_locked, replaced, unknown };
  Kind kind = Kind::unknown;
  // locked: from the word's end to the start of the steady high; not_locked: the timeout;
  // replaced: how long the word had before the next one.
  std::chrono::nanoseconds after{};
  std::string why;  // unknown: the reason
  friend bool operator==(const LockState&, const LockState&) = default;
};

// "locked after 1.2 ms", "not locked within 100 ms", "replaced after 0.4 ms, not locked yet",
// "lock unknown: ...", "waiting for lock".
std::string describe(const LockState& state);

// describe's, but "lock unknown" without its reason and "replaced after 0.4 ms" without what
// follows: for a narrow line.
std::string headline(const LockState& state);

// "1.2": a lock time in milliseconds, to the nearest tenth, whatever the locale.
std::string milliseconds(std::chrono::nanoseconds time);

// Watches the port's lock line after each word: once Word B has put the test pin on
// "Output in-lock counter", each word is followed by readings until the line has settled high
// or the timeout passes. With the pin on another function the lock is unknown, and says why.
class LockWatch {
 public:
  explicit LockWatch(bus::Port& port, std::chrono::milliseconds timeout = kLockTimeout);

  bool has_line() const { return port_.lock_line().has_value(); }
  std::chrono::milliseconds timeout() const { return timeout_; }
  // The time the line is read in: hold it (bus::Clock::Held) from before a word goes out until
  // its lock is decided, and the times are the line's alone.
  bus::Clock& clock() { return port_.clock(); }

  // `word` (its 16 bits) has just been loaded into the chip. Returns the verdict of the word it
  // replaced, if that one was still waiting.
  std::optional<LockState> sent(std::string_view word);

  bool waiting() const { return state_.kind == LockState::Kind::waiting; }

  // The next reading while waiting: at once after a word, else kPollPeriod after the last, on
  // the port's clock. Throws common::FatalError.
  void read();

  // Readings until the state is decided.
  const LockState& settle();

  const LockState& state() const { return state_; }

  // The levels read since the watch began: a line that never changes is wired wrong.
  struct Levels {
    bool high = false;
    bool low = false;
  };
  const Levels& levels_read() const { return levels_; }

 private:
  void poll();

  bus::Port& port_;
  std::chrono::milliseconds timeout_;
  std::optional<std::string> test_;  // the last Word B's test function
  std::chrono::nanoseconds sent_at_{};
  bool read_since_sent_ = false;
  // The steady high being read: since when after the word, and in how many readings.
  std::optional<std::chrono::nanoseconds> high_since_;
  int high_readings_ = 0;
  LockState state_;
  Levels levels_;
};

}  // namespace lock
