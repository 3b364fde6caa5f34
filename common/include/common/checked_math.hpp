#pragma once

#include <cstdint>
#include <string>

#include "common/fatal_error.hpp"

namespace common {

// Integer arithmetic that reports overflow instead of wrapping, as the original language did.
template <typename Int>
Int checked_add(Int a, Int b, const char* what) {
  Int sum{};
  if (__builtin_add_overflow(a, b, &sum)) {
    throw FatalError("Arithmetic overflow in " + std::string(what) + ": " + std::to_string(a) +
                     " + " + std::to_string(b) + " does not fit " +
                     std::to_string(8 * sizeof(Int)) + " bits");
  }
  return sum;
}

template <typename Int>
Int checked_mul(Int a, Int b, const char* what) {
  Int product{};
  if (__builtin_mul_overflow(a, b, &product)) {
    throw FatalError("Arithmetic overflow in " + std::string(what) + ": " + std::to_string(a) +
                     " x " + std::to_string(b) + " does not fit " +
                     std::to_string(8 * sizeof(Int)) + " bits");
  }
  return product;
}

}  // namespace common
