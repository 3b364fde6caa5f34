#pragma once

#include "cli/options.hpp"

namespace cli {

// Gives --lock's pin to the port it belongs to: a parallel port's status pin, an FTDI adapter's
// input pin (D3 unless named), the simulated chip's test pin. Throws UsageError for a pin the
// port has not, one that the bus already uses, or a GPIO lock line not named in --port.
void place_lock_line(Options& options);

}  // namespace cli
