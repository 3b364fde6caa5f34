#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "cli/options.hpp"

namespace cli {

// The dividers "FROM-TO[/STEP]" names within the slider's range, "" the slider's whole range at
// its small step; or why it names none ("the step is 1 to 5700").
std::variant<Sweep, std::string> sweep_range(std::string_view value);

// --sweep's value. Throws UsageError.
Sweep parse_sweep(std::string_view value);

}  // namespace cli
