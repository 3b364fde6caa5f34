#pragma once

#include <string_view>

#include "cli/options.hpp"

namespace cli {

// --plot's value: a file whose name ends in .svg or .png, in either case, which gives the
// format. Throws UsageError.
Plot parse_plot(std::string_view value);

}  // namespace cli
