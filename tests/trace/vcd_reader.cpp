#include "vcd_reader.hpp"

#include <fstream>

namespace vcd {

Dump read(const std::string& path) {
  Dump dump;
  std::ifstream file(path);
  std::string line;
  bool in_header = true;
  trace::LineLevels levels;
  while (std::getline(file, line)) {
    if (in_header) {
      dump.header.push_back(line);
      in_header = line != "$enddefinitions $end";
      continue;
    }
    dump.body.push_back(line);
    if (line.starts_with("#")) {
      dump.samples.push_back({std::stoll(line.substr(1)), levels});
    } else if (line.size() == 2 && (line[0] == '0' || line[0] == '1')) {
      const bool level = line[0] == '1';
      if (line[1] == '!') levels.clock = level;
      if (line[1] == '"') levels.data = level;
      if (line[1] == '#') levels.enable = level;
      if (!dump.samples.empty()) dump.samples.back().levels = levels;
    }
  }
  return dump;
}

Pulses count_pulses(const Dump& dump) {
  Pulses pulses;
  bool clock = false;
  for (const auto& sample : dump.samples) {
    if (sample.levels.clock && !clock) ++(sample.levels.enable ? pulses.enabled : pulses.released);
    clock = sample.levels.clock;
  }
  return pulses;
}

}  // namespace vcd
