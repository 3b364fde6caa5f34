#pragma once

#include <string_view>

#include "cli/options.hpp"

namespace cli {

// "--port" values: "gpio:CHIP:CLOCK,DATA,ENABLE", "ftdi[:[SERIAL][/CHANNEL][:CLOCK,DATA,ENABLE]]", a path (anything else with a "/") or an I/O
// base address, decimal or 0x-hex, from 1 to 0xfffd so that the control register at base + 2
// still exists. Throws UsageError.
PortArgument parse_port_argument(std::string_view value);

}  // namespace cli
