#pragma once

#include <chrono>

namespace bus {

// Waits `length` of the machine's time, to within a fraction of the lock watch's poll period.
void machine_wait(std::chrono::nanoseconds length);

}  // namespace bus
