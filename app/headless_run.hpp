#pragma once

#include "bus/port.hpp"
#include "cli/options.hpp"

namespace app {

// Runs the form logic on `port` with no window and no display until SIGINT or SIGTERM, logging
// every transmission on standard output. Returns the exit status.
int run_headless(const cli::Options& options, bus::Port& port, char* program_path);

}  // namespace app
