#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cli {

struct Options {
  bool simulate = false;
  bool help = false;
  bool version = false;
};

// A command line that cannot be run: the one-line reason, for exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws UsageError.
Options parse_options(std::span<const std::string_view> arguments);

std::string help_text(std::string_view program);
std::string version_text();

}  // namespace cli
