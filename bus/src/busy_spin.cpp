#include "bus/busy_spin.hpp"

namespace bus {

void busy_spin(std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    // An empty asm that claims to change `i` keeps the loop from being folded away.
    asm volatile("" : "+r"(i));
  }
}

}  // namespace bus
