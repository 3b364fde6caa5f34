#pragma once

#include <chrono>
#include <fstream>
#include <span>

#include "cli/options.hpp"
#include "sweep/sweep_row.hpp"

namespace app {

// The sweep's plot file, created before the first step so that a file that cannot be written
// ends the program at once, not after the sweep's waits; drawn once the sweep has ended.
class PlotFile {
 public:
  // Throws common::FatalError.
  explicit PlotFile(const cli::Plot& plot);

  // Draws the rows, each word given `timeout` to lock, in the plot's format. Returns false after
  // saying why it could not.
  bool write(std::span<const sweep::SweepRow> rows, std::chrono::milliseconds timeout);

 private:
  cli::Plot plot_;
  std::ofstream file_;
};

}  // namespace app
