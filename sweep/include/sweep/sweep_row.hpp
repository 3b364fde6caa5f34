#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "words/word_a.hpp"

namespace sweep {

// One step of a sweep: the divider, and how long the loop took to lock on it (none: it did
// not lock within the watch's timeout); the step the chip counted the divider in.
struct SweepRow {
  std::int32_t divider = 0;
  std::optional<std::chrono::nanoseconds> lock_time;
  words::Step step = words::kFirstStep;
};

}  // namespace sweep
