#pragma once

#include <string_view>

#include "cli/options.hpp"

namespace cli {

// "FROM-TO[/STEP]" in dividers, within the slider's range; "" for the slider's whole range at
// its small step. Throws UsageError.
Sweep parse_sweep(std::string_view value);

}  // namespace cli
