#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trace/vcd_writer.hpp"

namespace vcd {

struct Sample {
  std::int64_t stamp;
  trace::LineLevels levels;
};

// Reads back what the writer wrote: the header lines, then the levels after every time stamp.
struct Dump {
  std::vector<std::string> header;  // up to and including $enddefinitions
  std::vector<Sample> samples;      // one per time stamp, the first from $dumpvars
  std::vector<std::string> body;    // every line after the header
};

Dump read(const std::string& path);

// Rising clock edges while the enable is high, and while it is low.
struct Pulses {
  int enabled = 0;
  int released = 0;
};
Pulses count_pulses(const Dump& dump);

}  // namespace vcd
