#include "port_choice/port_choice.hpp"

#include "sim/simulated_synthesizer.hpp"

namespace port_choice {

std::unique_ptr<bus::Port> choose_port(const cli::Options& options) {
  if (options.simulate) {
    return std::make_unique<sim::SimulatedSynthesizer>(
        options.lock.has_value(), sim::SimulatedSynthesizer::Time::machine_skipping_waits);
  }
  return platform_port(options);
}

}  // namespace port_choice
