#include <thread>

#include "machine_wait.hpp"

namespace bus {

// The kernel wakes a sleeper within tens of microseconds.
void machine_wait(std::chrono::nanoseconds length) { std::this_thread::sleep_for(length); }

}  // namespace bus
