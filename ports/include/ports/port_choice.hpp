#pragma once

#include <functional>
#include <memory>
#include <string>

#include "bus/port.hpp"
#include "cli/options.hpp"

namespace ports {

// The back end the options ask for, and what the information line says about it: a short
// label and the whole description, both read afresh after every event.
struct PortChoice {
  std::unique_ptr<bus::Port> port;
  std::function<std::string()> label;
  std::function<std::string()> description;
};

PortChoice choose_port(const cli::Options& options);

}  // namespace ports
