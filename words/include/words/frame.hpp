#pragma once

#include <cstddef>

namespace words {

// The chip shifts in 17 bits a word: a leading "0", then Word A or Word B, 16 bits each.
inline constexpr std::size_t kWordBits = 16;
inline constexpr std::size_t kFrameBits = 1 + kWordBits;

}  // namespace words
