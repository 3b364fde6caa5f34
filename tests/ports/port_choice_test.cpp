#include "ports/port_choice.hpp"

#include <gtest/gtest.h>

#include "bus/inpout.hpp"

namespace {

TEST(PortChoice, SimulationDescribesWhatTheChipLoaded) {
  cli::Options options;
  options.simulate = true;
  auto choice = ports::choose_port(options);
  EXPECT_EQ(choice.label(), "Simulated: no Word A");
  bus::Inpout library{*choice.port};
  for (const char bit : std::string("00010110110101010")) {
    library.Out32(890, 0);
    library.Out32(888, bit == '1' ? 136 : 128);
    library.Out32(888, 0);
  }
  library.Out32(890, 1);
  library.Out32(888, 128);
  EXPECT_EQ(choice.label(), "Simulated: N 11690");
  EXPECT_EQ(choice.description().rfind("Simulated SAA1057: N 11690, 106.2 MHz", 0), 0u);
}

}  // namespace
