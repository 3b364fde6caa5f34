#include "ports/port_choice.hpp"

#include "bus/line_map.hpp"
#include "ports/platform_port.hpp"
#include "sim/simulated_synthesizer.hpp"

namespace ports {

PortChoice choose_port(const cli::Options& options) {
  if (options.simulate) {
    auto chip = std::make_unique<sim::SimulatedSynthesizer>();
    const auto* view = chip.get();
    return {std::move(chip), [view] { return view->summary(); },
            [view] { return view->description(); }};
  }
  PlatformPort real = platform_port(options.port);
  const std::string description = "Port " + real.port->name();
  return {std::move(real.port), [label = real.label] { return label; },
          [description] { return description; }};
}

}  // namespace ports
