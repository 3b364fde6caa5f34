#include "ports/port_choice.hpp"

#include "sim/simulated_synthesizer.hpp"

namespace ports {

std::unique_ptr<bus::Port> choose_port(const cli::Options& options) {
  if (options.simulate) return std::make_unique<sim::SimulatedSynthesizer>();
  return platform_port(options.port);
}

}  // namespace ports
