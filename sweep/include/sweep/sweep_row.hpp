#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace sweep {

// One step of a sweep: the divider, and how long the loop took to lock on it (none: it did
// not lock within the watch's timeout).
struct SweepRow {
  std::int32_t divider = 0;
  std::optional<std::chrono::nanoseconds> lock_time;
};

}  // namespace sweep
