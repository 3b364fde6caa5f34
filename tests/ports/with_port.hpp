#pragma once

#include "cli/options.hpp"

// The options of a command line that names `port` and nothing else.
inline cli::Options with_port(cli::PortArgument port) {
  cli::Options options;
  options.port = std::move(port);
  return options;
}
