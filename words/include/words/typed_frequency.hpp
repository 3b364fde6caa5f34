#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "words/word_a.hpp"

namespace words {

// A frequency in MHz as a person types it ("96.1", " 96,1 ": a phone may offer a decimal
// comma), in whole Hz; or why it is none ("\"abc\" is not a frequency in MHz, such as 96.1").
std::variant<std::int64_t, std::string> typed_hz(std::string_view typed);

// A frequency in MHz as a person types it ("96.1", " 96,1 ": a phone may offer a decimal
// comma): the divider of the nearest step, or why there is none ("\"abc\" is not a frequency in
// MHz, such as 96.1", at 10 kHz "130 MHz is outside the tuning range, 63 to 120 MHz").
std::variant<std::int32_t, std::string> divider_for_typed_mhz(std::string_view typed, Step step);

// Why a value tunes nothing: the whole reason, and the few words of it that the window's narrow
// information line has room for.
struct Refusal {
  std::string reason;
  std::string brief;
  friend bool operator==(const Refusal&, const Refusal&) = default;
};

// The divider that receives exactly `hz` at `step`; or why none does, naming the steps either
// side of it: "100.005 MHz is between the 10 kHz steps the reference gives: 100 and 100.01 MHz"
// ("100 or 100.01 MHz"), or the band's ends.
std::variant<std::int32_t, Refusal> divider_on_grid(std::int64_t hz, Step step);

// The same for a frequency in MHz as a person types it (as typed_hz() reads it).
std::variant<std::int32_t, Refusal> typed_on_grid(std::string_view typed, Step step);

// A divider as a person types it: a whole number on the slider, 7370 to 13070.
std::variant<std::int32_t, Refusal> typed_divider(std::string_view typed);

// Why no step reaches `hz`, if none does: "200 MHz is outside the tuning range of every
// reference, 63 to 152.675 MHz".
std::optional<std::string> beyond_every_step(std::int64_t hz);

// "63 to 120 MHz" at 10 kHz.
std::string tuning_range_text(Step step);

}  // namespace words
