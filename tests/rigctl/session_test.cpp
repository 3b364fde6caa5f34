#include "rigctl/session.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class FakeTuner : public rigctl::Tuner {
 public:
  std::int32_t divider() const override { return divider_; }
  void tune(std::int32_t divider) override {
    divider_ = divider;
    ++tunings;
  }
  std::int32_t divider_ = 11690;
  int tunings = 0;
};

// What the conversations of the program's tests cannot show: where a connection ends.
struct Ending {
  const char* name;
  std::string input;
  std::string answer;
  bool close;
};

class Endings : public ::testing::TestWithParam<Ending> {};

TEST_P(Endings, CloseTheConnectionOnlyWhenTheyShould) {
  FakeTuner tuner;
  rigctl::Session session{tuner};
  const auto output = session.feed(GetParam().input);
  EXPECT_EQ(output.answer, GetParam().answer);
  EXPECT_EQ(output.close, GetParam().close);
  if (output.close) {
    EXPECT_EQ(session.feed("f\n").answer, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Session, Endings,
    ::testing::Values(Ending{"Quit", "q\nf\n", "RPRT 0\n", true},
                      Ending{"ExtendedQuit", "+Q\nf\n", "quit:\nRPRT 0\n", true},
                      Ending{"IncompleteWaits", "F", "", false},
                      Ending{"LineOfOneKibibyte", std::string(1024, ' ') + "\nf\n", "106200000\n",
                             false},
                      Ending{"LineOfMore", std::string(1025, 'f'), "", true},
                      Ending{"DroppedLineOfMore", "b " + std::string(1100, 'x'), "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Each command of Hamlib's list, by either name and with the arguments Hamlib reads, gets one
// answer: in the extended form, one RPRT line, and the next command is answered in step.
TEST(Session, EveryHamlibCommandIsAnsweredOnceAfterItsArguments) {
  std::ifstream list(HAMLIB_COMMANDS_FILE);
  ASSERT_TRUE(list) << HAMLIB_COMMANDS_FILE;
  const std::string next = "get_freq:\nFrequency: 106200000\nRPRT 0\n";
  int rows = 0;
  for (std::string line; std::getline(list, line);) {
    if (line.empty() || line.front() == '#') continue;
    std::istringstream row(line);
    std::string short_name, long_name, arguments;
    row >> short_name >> long_name >> arguments;
    if (short_name.starts_with("\\x")) {
      short_name = std::string(1, static_cast<char>(std::stoi(short_name.substr(2), nullptr, 16)));
    }
    const std::string given = arguments == "line" ? " 0 0 0" : [&] {
      std::string zeros;
      for (int i = 0; i < std::stoi(arguments); ++i) zeros += " 0";
      return zeros;
    }();
    for (const std::string& name : {short_name, "\\" + long_name}) {
      if (name == "-") continue;
      FakeTuner tuner;
      rigctl::Session session{tuner};
      const std::string answer = session.feed("+" + name + given + "\n+\\get_freq\n").answer;
      std::size_t statuses = 0;
      for (std::size_t at = answer.find("RPRT "); at != std::string::npos;
           at = answer.find("RPRT ", at + 1)) {
        ++statuses;
      }
      EXPECT_EQ(statuses, 2u) << line << " as " << name << ":\n" << answer;
      EXPECT_TRUE(answer.ends_with(next)) << line << " as " << name << ":\n" << answer;
    }
    ++rows;
  }
  EXPECT_EQ(rows, 100);
}

TEST(Session, TokensSplitAcrossReadsAreJoined) {
  FakeTuner tuner;
  rigctl::Session session{tuner};
  std::string answer;
  for (const char c : std::string("F 1000000") + "00\nf\n")
    answer += session.feed(std::string(1, c)).answer;
  EXPECT_EQ(answer, "RPRT 0\n100000000\n");
  EXPECT_EQ(tuner.tunings, 1);
}

}  // namespace
