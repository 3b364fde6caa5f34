#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "cli/options.hpp"
#include "words/word_a.hpp"

namespace cli {

// The dividers "FROM-TO[/STEP]" names within the slider's range, each number in MHz received
// at the tuning step `tuning` ("88-108/0.1") or a divider ending in N ("8600N-12850N/5N"); "" the
// slider's whole range at its small step. Or why it names none ("50 MHz is outside the band, ...").
std::variant<Sweep, std::string> sweep_range(std::string_view value, words::Step tuning);

// --sweep's value at `step`. Throws UsageError.
Sweep parse_sweep(std::string_view value, words::Step step);

// "63.00 to 120.00 MHz, dividers 7370N to 13070N, by 10N": the default, for the help.
std::string default_sweep_text();

}  // namespace cli
