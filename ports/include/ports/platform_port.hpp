#pragma once

#include <memory>
#include <optional>
#include <string>

#include "bus/port.hpp"
#include "cli/options.hpp"

namespace ports {

struct PlatformPort {
  std::unique_ptr<bus::Port> port;
  std::string label;  // short, for the information line: "/dev/parport0", "0x278"
};

// The real port that `choice` names, or the platform's standard port when it names none.
// Nothing is opened here: the port is bound at its first write.
PlatformPort platform_port(const std::optional<cli::PortArgument>& choice);

}  // namespace ports
