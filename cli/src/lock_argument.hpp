#pragma once

#include <string_view>

#include "cli/options.hpp"

namespace cli {

// Gives --lock's pin to the port it belongs to: a parallel port's status pin, an FTDI adapter's
// input pin (D3 unless named), the simulated chip's test pin. Throws UsageError for a pin the
// port has not, one that the bus already uses, or a GPIO lock line not named in --port; the
// message names `option`, the one that asked for the line (--lock, or --sweep for it).
void place_lock_line(Options& options, std::string_view option);

// Whether the port will read a lock line: --lock's, or a fourth line or pin of --port.
bool reads_lock_line(const Options& options);

}  // namespace cli
