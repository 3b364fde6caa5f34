#pragma once

#include "bus/port.hpp"
#include "cli/options.hpp"

namespace app {

// --sweep: starts the panel headless on `port`, then steps the divider over the sweep's range,
// one CSV row per step on standard output, progress and the summary on standard error, the plot
// to --plot's file. SIGINT or SIGTERM ends it early, the rows so far kept and summed up.
// Returns the exit status.
int run_sweep(const cli::Options& options, bus::Port& port, char* program_path);

}  // namespace app
