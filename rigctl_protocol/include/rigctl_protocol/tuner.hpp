#pragma once

#include <cstdint>

#include "words/word_a.hpp"

namespace rigctl_protocol {

// What a remote client may do to the panel.
class Tuner {
 public:
  virtual ~Tuner() = default;
  virtual std::int32_t divider() const = 0;
  // The step the last Word B sent set: what a divider receives.
  virtual words::Step step() const = 0;
  // Moves the divider slider to `divider`, exactly as a user would.
  virtual void tune(std::int32_t divider) = 0;
  // True once the port has failed: nothing more reaches the chip, and the program is ending.
  virtual bool failed() const = 0;
};

}  // namespace rigctl_protocol
