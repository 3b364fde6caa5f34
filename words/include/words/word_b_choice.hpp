#pragma once

namespace words {

// Word B's settings as the window's controls would be set: a toggle pressed once, or the row
// chosen in a list (-1: none, as at start-up).
struct WordBChoice {
  bool refh = false;  // 1.25 kHz
  bool sla = false;   // synchronous load
  bool brm = false;   // current switched
  int current = -1;
  int phase = -1;
  int test = -1;
  friend bool operator==(const WordBChoice&, const WordBChoice&) = default;
};

}  // namespace words
