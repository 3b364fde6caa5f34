#include "port_choice.hpp"

#include "bus/unavailable_port.hpp"
#include "sim/simulated_synthesizer.hpp"

namespace app {

namespace {
constexpr std::uint16_t kPortBase = 888;
}

PortChoice choose_port(const cli::Options& options) {
  if (options.simulate) {
    auto chip = std::make_unique<sim::SimulatedSynthesizer>(kPortBase);
    const auto* view = chip.get();
    return {std::move(chip), [view] {
              return window::StatusLine{view->summary(), view->description()};
            }};
  }
  auto port = std::make_unique<bus::UnavailablePort>();
  return {std::move(port), [] {
            return window::StatusLine{"No port", "No parallel port is in use"};
          }};
}

}  // namespace app
