#pragma once

#include <cstdint>

namespace bus {

// Runs `count` empty loop iterations (none when count <= 0). The loop is kept by the compiler:
// the bus speed is nothing but these iterations.
void busy_spin(std::int32_t count);

// The spin used by the bus wait; tests substitute a counter for it.
using Spin = void (*)(std::int32_t count);

}  // namespace bus
