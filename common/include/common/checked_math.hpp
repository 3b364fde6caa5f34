#pragma once

#include <cstdint>
#include <string>

#include "common/failure_message.hpp"

namespace common {

// What `a operation b` overflowing in `what` tells the user; no way out: the window's values
// cannot get there.
template <typename Int>
FatalError overflow(const char* what, Int a, const char* operation, Int b) {
  return failure(std::string("Arithmetic overflow in ") + what,
                 std::to_string(a) + operation + std::to_string(b) + " does not fit in " +
                     std::to_string(8 * sizeof(Int)) + " bits",
                 "");
}

// Integer arithmetic that reports overflow instead of wrapping, as the original language did.
template <typename Int>
Int checked_add(Int a, Int b, const char* what) {
  Int sum{};
  if (__builtin_add_overflow(a, b, &sum)) {
    throw overflow(what, a, " + ", b);
  }
  return sum;
}

template <typename Int>
Int checked_mul(Int a, Int b, const char* what) {
  Int product{};
  if (__builtin_mul_overflow(a, b, &product)) {
    throw overflow(what, a, " x ", b);
  }
  return product;
}

}  // namespace common
