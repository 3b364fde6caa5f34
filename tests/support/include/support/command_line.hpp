#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.hpp"
#include "support/golden.hpp"

namespace support {

// The options of a command line as the golden files write it: its words, "(none)" for none, "_"
// for a space inside a word, '' for an empty word. Header-only: test_support links no cli.
inline cli::Options command_line(const std::string& line) {
  auto words = split(line == "(none)" ? "" : line, " ");
  std::vector<std::string_view> arguments;
  for (auto& word : words) {
    std::ranges::replace(word, '_', ' ');
    arguments.push_back(word == "''" ? std::string_view() : std::string_view(word));
  }
  return cli::parse_options(arguments);
}

}  // namespace support
