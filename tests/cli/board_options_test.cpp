// The options of a board in a box: GPIO lines as the port.
#include <gtest/gtest.h>

#include <vector>

#include "cli/options.hpp"

namespace {

cli::Options parse(std::vector<std::string_view> arguments) {
  return cli::parse_options(arguments);
}

TEST(GpioLines, AreAChipAndThreeLinesInTheOrderClockDataEnable) {
  EXPECT_EQ(parse({"--port", "gpio:gpiochip0:17,27,22"}).port,
            cli::PortArgument(cli::GpioLines{"gpiochip0", {"17", "27", "22"}}));
  EXPECT_EQ(parse({"--port=gpio:/dev/gpiochip4:GPIO17,GPIO27,GPIO22"}).port,
            cli::PortArgument(cli::GpioLines{"/dev/gpiochip4", {"GPIO17", "GPIO27", "GPIO22"}}));
  EXPECT_EQ(parse({"--port", "gpio:ftdi:cbus:0,1,2"}).port,
            cli::PortArgument(cli::GpioLines{"ftdi:cbus", {"0", "1", "2"}}));
}

TEST(BoardOptions, AreCheckedStrictly) {
  const std::pair<std::vector<std::string_view>, const char*> cases[] = {
      {{"--port", "gpio:gpiochip0"}, "invalid --port value 'gpio:gpiochip0'"},
      {{"--port", "gpio::1,2,3"}, "invalid --port value 'gpio::1,2,3'"},
      {{"--port", "gpio:c:1,2"}, "invalid --port value 'gpio:c:1,2'"},
      {{"--port", "gpio:c:1,2,3,4"}, "invalid --port value 'gpio:c:1,2,3,4'"},
      {{"--port", "gpio:c:1,,3"}, "invalid --port value 'gpio:c:1,,3'"},
      {{"--port", "gpio:c:5,GPIO5,5"}, "--port gpio:c:5,GPIO5,5 names a line twice"},
  };
  for (const auto& [arguments, reason] : cases) {
    try {
      parse(arguments);
      ADD_FAILURE() << "accepted: " << reason;
    } catch (const cli::UsageError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(reason, 0), 0u) << error.what();
    }
  }
}

}  // namespace
