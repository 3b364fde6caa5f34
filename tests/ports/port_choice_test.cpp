#include "ports/port_choice.hpp"

#include <gtest/gtest.h>

namespace {

TEST(PortChoice, SimulationShowsWhatTheChipHolds) {
  cli::Options options;
  options.simulate = true;
  const auto choice = ports::choose_port(options);
  EXPECT_EQ(choice.port->name(), "simulated SAA1057");
  EXPECT_EQ(choice.label(), "Simulated: no Word A");
  EXPECT_EQ(choice.description().rfind("Simulated SAA1057: no Word A loaded", 0), 0u);
}

}  // namespace
