#pragma once

#include "cli/options.hpp"

namespace app {

// Opens the window on the chosen port and runs it until it is closed, or with --headless runs
// without one. Returns the exit status.
int run_program(const cli::Options& options, char* program_path);

}  // namespace app
