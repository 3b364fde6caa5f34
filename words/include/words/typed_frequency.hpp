#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace words {

// A frequency in MHz as a person types it ("96.1", " 96,1 ": a phone may offer a decimal
// comma): the divider of the nearest step, or why there is none ("\"abc\" is not a frequency in
// MHz, such as 96.1", "130 MHz is outside the tuning range, 63 to 120 MHz").
std::variant<std::int32_t, std::string> divider_for_typed_mhz(std::string_view typed);

// "63 to 120 MHz".
std::string tuning_range_text();

}  // namespace words
