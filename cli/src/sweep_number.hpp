#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace cli {

// One number of --sweep's value: a received frequency in MHz, read exactly from its decimal
// text ("88.1"), or a divider, ending in N ("9880N").
struct SweepNumber {
  bool divider = false;
  std::int64_t amount = 0;  // the divider; or Hz, digits finer than a Hz left out
  bool whole_hz = true;     // false: digits finer than a Hz were left out
};

// None unless `text` is digits with at most one point between them, or digits and N.
std::optional<SweepNumber> sweep_number(std::string_view text);

}  // namespace cli
