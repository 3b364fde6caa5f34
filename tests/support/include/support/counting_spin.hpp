#pragma once

#include <cstdint>
#include <vector>

namespace support {

// Stands in for the busy loop: records each requested iteration count instead of spinning.
void counting_spin(std::int32_t count);

// The counts recorded since the last reset, in call order.
std::vector<std::int32_t>& spins();

// Total iterations the recorded spins would have run (non-positive counts run none).
long long spun_iterations();

}  // namespace support
