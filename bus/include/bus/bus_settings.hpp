#pragma once

#include <cstdint>

namespace bus {

// The two bus fields of the form state, read by the transmitter.
struct BusSettings {
  std::int16_t iPort = 0;  // base address: data register; control register at iPort + 2
  std::int32_t iDel = 0;   // delay count: one wait is 11 x iDel empty iterations
};

}  // namespace bus
