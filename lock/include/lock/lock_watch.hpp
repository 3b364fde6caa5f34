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

// Once a word has locked, the line is looked at this often, so that a loss is told within a
// fraction of a second for a few readings. A line whose changes the system tells (GPIO edge
// events) is looked at on a change instead, at most this often.
inline constexpr int kChecksPerSecond = 4;
inline constexpr std::chrono::milliseconds kCheckPeriod{1000 / kChecksPerSecond};

struct LockState {
  enum class Kind { waiting, locked, not_locked, replaced, lost, regained, unknown };
  Kind kind = Kind::unknown;
  // locked: from the word's end to the start of the steady high; not_locked: the timeout;
  // replaced: how long the word had before the next one; lost: how long it had been locked;
  // regained: how long it had been lost.
  std::chrono::nanoseconds after{};
  std::string why;  // unknown: the reason
  std::string at;   // lost, regained: the time of day, "12:03:07", where a wall clock tells it
  friend bool operator==(const LockState&, const LockState&) = default;
};

// "locked after 1.2 ms", "not locked within 100 ms", "replaced after 0.4 ms, not locked yet",
// "lock lost at 12:03:07, locked for 2 h 13 min", "lock regained at 12:05:00, lost for 1 min 53 s",
// "lock unknown: ...", "waiting for lock".
std::string describe(const LockState& state);

// describe's, but "lock unknown", "lock lost" and "lock regained" without what follows, and
// "replaced after 0.4 ms" without its end: for a narrow line.
std::string headline(const LockState& state);

// "1.2": a lock time in milliseconds, to the nearest tenth, whatever the locale.
std::string milliseconds(std::chrono::nanoseconds time);

// "4.2 s", "1 min 53 s", "2 h 13 min", "3 d 5 h": how long a lock or a loss lasted.
std::string lasting(std::chrono::nanoseconds time);

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

  // Locked, or lost or regained since: the line is looked at from time to time (check()).
  bool holding() const;

  // One look at a held line. A locked one is read a few times back to back, never sleeping, so
  // that the panel wakes no more often than the checks; `fell` (the system told of a falling
  // edge) is a loss by itself. A lost one must read high over a settle time to count again.
  // Returns the news, lost or regained, stamped `at`. Throws common::FatalError.
  std::optional<LockState> check(bool fell = false, std::string_view at = {});

  const LockState& state() const { return state_; }

  // The levels read since the watch began: a line that never changes is wired wrong.
  struct Levels {
    bool high = false;
    bool low = false;
  };
  const Levels& levels_read() const { return levels_; }

 private:
  void poll();
  bool read_level();
  bool looks_high(bool settling);

  bus::Port& port_;
  std::chrono::milliseconds timeout_;
  std::optional<std::string> test_;  // the last Word B's test function
  std::chrono::nanoseconds sent_at_{};
  bool read_since_sent_ = false;
  // The steady high being read: since when after the word, and in how many readings.
  std::optional<std::chrono::nanoseconds> high_since_;
  int high_readings_ = 0;
  std::chrono::nanoseconds held_since_{};  // holding: when the lock was won, lost or regained
  LockState state_;
  Levels levels_;
};

}  // namespace lock
