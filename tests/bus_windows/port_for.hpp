#pragma once

#include "cli/options.hpp"
#include "port_choice/port_choice.hpp"
#include "support/golden.hpp"

// The port the command line `arguments` picks, as the program picks it.
inline std::unique_ptr<bus::Port> port_for(const std::string& arguments) {
  const auto words = support::split(arguments, " ");
  const std::vector<std::string_view> views(words.begin(), words.end());
  return port_choice::platform_port(cli::parse_options(views));
}
