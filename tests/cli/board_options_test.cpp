// The options of a board in a box: GPIO lines as the port, no window, Word B by name.
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

TEST(WordB, TakesTheWindowsWordsOrTheirShortForms) {
  const auto options = parse({"--headless", "--word-b",
                              "refh=1.25,current=0.23,sla=sync,phase=on,brm=switched,test=lock"});
  EXPECT_TRUE(options.headless);
  EXPECT_EQ(options.word_b, (cli::WordBChoice{true, true, true, 2, 1, 3}));
  EXPECT_EQ(parse({"--headless", "--word-b",
                   "test=Output  programmable counter,current=2.3,phase=AUTOMATIC OFF,"
                   "sla=Load mode - asynchronous,refh=1 Khz Reference frequency,"
                   "brm=Current always on"})
                .word_b,
            (cli::WordBChoice{false, false, false, 4, 0, 2}));
  EXPECT_EQ(parse({"--headless", "--word-b=phase=off"}).word_b,
            (cli::WordBChoice{false, false, false, -1, 2, -1}));
  EXPECT_FALSE(parse({"--headless"}).word_b);
}

TEST(BoardOptions, AreCheckedStrictly) {
  const std::pair<std::vector<std::string_view>, const char*> cases[] = {
      {{"--port", "gpio:gpiochip0"}, "invalid --port value 'gpio:gpiochip0'"},
      {{"--port", "gpio::1,2,3"}, "invalid --port value 'gpio::1,2,3'"},
      {{"--port", "gpio:c:1,2"}, "invalid --port value 'gpio:c:1,2'"},
      {{"--port", "gpio:c:1,2,3,4"}, "invalid --port value 'gpio:c:1,2,3,4'"},
      {{"--port", "gpio:c:1,,3"}, "invalid --port value 'gpio:c:1,,3'"},
      {{"--port", "gpio:c:5,GPIO5,5"}, "--port gpio:c:5,GPIO5,5 names a line twice"},
      {{"--word-b", "refh=1"}, "--word-b needs --headless"},
      {{"--headless", "--word-b", "ref=1"},
       "invalid --word-b setting 'ref': the settings are refh, current, sla, phase, brm, test"},
      {{"--headless", "--word-b", "current=0.5"},
       "invalid --word-b value '0.5' for current: give one of 0.023, 0.07, 0.23, 0.7, 2.3"},
      {{"--headless", "--word-b", "test=high"},
       "invalid --word-b value 'high' for test: give one of 1, reference, programmable, lock"},
      {{"--headless", "--word-b", "sla=sync,sla=async"}, "--word-b gives sla twice"},
      {{"--headless", "--word-b", "refh=1.25,"}, "invalid --word-b value '': give NAME=VALUE"},
      {{"--headless", "--word-b", "brm"}, "invalid --word-b value 'brm': give NAME=VALUE"},
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
