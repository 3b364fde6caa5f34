#pragma once

#include <memory>
#include <optional>

#include "bus/port.hpp"
#include "cli/options.hpp"

namespace port_choice {

// The back end the options ask for: the simulated chip, or the real port they name (the
// platform's standard port when they name none). Nothing is opened here: a port is bound at
// its first write.
std::unique_ptr<bus::Port> choose_port(const cli::Options& options);

// The platform's part of that choice: the real ports it has, with their lock lines.
std::unique_ptr<bus::Port> platform_port(const cli::Options& options);

}  // namespace port_choice
