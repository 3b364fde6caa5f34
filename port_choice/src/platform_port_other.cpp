#include "bus/unavailable_port.hpp"
#include "port_choice/port_choice.hpp"

namespace port_choice {

std::unique_ptr<bus::Port> platform_port(const cli::Options&) {
  return std::make_unique<bus::UnavailablePort>(
      "this build has no back end for real parallel ports", "", "No port");
}

}  // namespace port_choice
