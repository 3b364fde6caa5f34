#include <thread>

#include "machine_wait.hpp"

namespace bus {

// Windows sleeps in whole milliseconds at best: a lock watch read every millisecond or more
// would step over the in-lock output's 0.2 ms pulses, so a short wait yields instead of sleeping.
void machine_wait(std::chrono::nanoseconds length) {
  constexpr std::chrono::milliseconds kSleepsFrom{2};
  const auto until = std::chrono::steady_clock::now() + length;
  if (length >= kSleepsFrom) std::this_thread::sleep_for(length - kSleepsFrom);
  while (std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

}  // namespace bus
