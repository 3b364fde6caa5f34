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

struct Exchange {
  const char* name;
  std::string input;
  std::string answer;
  std::int32_t divider_after = 11690;
  bool close = false;
};

class Exchanges : public ::testing::TestWithParam<Exchange> {};

TEST_P(Exchanges, AnswerAsRigctldDoes) {
  FakeTuner tuner;
  rigctl::Session session{tuner};
  const auto output = session.feed(GetParam().input);
  EXPECT_EQ(output.answer, GetParam().answer);
  EXPECT_EQ(tuner.divider_, GetParam().divider_after);
  EXPECT_EQ(output.close, GetParam().close);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Exchanges,
    ::testing::Values(
        Exchange{"GetFreq", "f\n", "106200000\n"},
        Exchange{"GetFreqLong", "\\get_freq\n", "106200000\n"},
        Exchange{"SetFreqLong", "\\set_freq 87500000\n", "RPRT 0\n", 9820},
        Exchange{"SetFreqRoundsHalvesToEven", "F 100005000\n", "RPRT 0\n", 11070},
        Exchange{"SetFreqRoundsToNearest", "F 100006000\n", "RPRT 0\n", 11071},
        Exchange{"SetFreqLowestAndHighest", "F 63000000 F 120000000\n", "RPRT 0\nRPRT 0\n", 13070},
        Exchange{"SetFreqBelowRange", "F 50000000\n", "RPRT -1\n"},
        Exchange{"SetFreqJustBelowRange", "F 62990000\n", "RPRT -1\n"},
        Exchange{"SetFreqAboveRange", "F 120010000\n", "RPRT -1\n"},
        Exchange{"SetFreqNotANumber", "F abc\n", "RPRT -1\n"},
        Exchange{"SetFreqNan", "F nan\n", "RPRT -1\n"},
        Exchange{"SetFreqHuge", "F 1e300\n", "RPRT -1\n"},
        Exchange{"GetMode", "m\n", "WFM\n230000\n"}, Exchange{"SetModeFm", "M FM 0\n", "RPRT 0\n"},
        Exchange{"SetModeWfm", "\\set_mode WFM 230000\n", "RPRT 0\n"},
        Exchange{"SetModeUsb", "M USB 2400\n", "RPRT -1\n"},
        Exchange{"SetModeBadPassband", "M FM wide\n", "RPRT -1\n"},
        Exchange{"LockModeProbe", "\\get_lock_mode\n", "0\n"},
        Exchange{"PttNotANumber", "T on\n", "RPRT -1\n"},
        Exchange{"SetFreqTrailingJunk", "F 100000000abc\n", "RPRT -1\n"},
        Exchange{"UnknownWordForgetsItsPrefix", "+frobnicate f\nf\n", "RPRT -11\n106200000\n"},
        Exchange{"ADroppedLineIsStillLimited", "b " + std::string(1100, 'x'), "", 11690, true},
        Exchange{"RefusedWithArgumentsOnTheNextLine", "L\nAF\n0.5 f\n", "RPRT -11\n106200000\n"},
        Exchange{"RestOfLineEndsAtTheNewline", "b\nf\n", "RPRT -11\n106200000\n"},
        Exchange{"Quit", "q\nf\n", "RPRT 0\n", 11690, true},
        Exchange{"ExtendedQuit", "+Q\nf\n", "quit:\nRPRT 0\n", 11690, true},
        Exchange{"ExtendedRefusal", "+\\get_vfo_info VFOA\n", "get_vfo_info: VFOA\nRPRT -11\n"},
        Exchange{"ExtendedGet", "+f\n", "get_freq:\nFrequency: 106200000\nRPRT 0\n"},
        Exchange{"ExtendedSemicolon", ";f\n", "get_freq:;Frequency: 106200000;RPRT 0\n"},
        Exchange{"ExtendedBar", "|m\n", "get_mode:|Mode: WFM|Passband: 230000|RPRT 0\n"},
        Exchange{"ExtendedComma", ",\\get_freq\n", "get_freq:,Frequency: 106200000,RPRT 0\n"},
        Exchange{"ExtendedSet", "+F 100000000\n", "set_freq: 100000000\nRPRT 0\n", 11070},
        Exchange{"ExtendedSetFails", "+F 1\n", "set_freq: 1\nRPRT -1\n"},
        Exchange{"ExtendedSplit", "+s\n", "get_split_vfo:\nSplit: 0\nTX VFO: VFOA\nRPRT 0\n"},
        Exchange{"LonePrefix", "+ f\n", "get_freq:\nFrequency: 106200000\nRPRT 0\n"},
        Exchange{"CarriageReturnsAndSpaces", "  f \r\n\tm\r\n", "106200000\nWFM\n230000\n"},
        Exchange{"ArgumentOnTheNextLine", "F\n100000000\n", "RPRT 0\n", 11070},
        Exchange{"SeveralOnOneLine", "F 100000000 f\n", "RPRT 0\n100000000\n", 11070},
        Exchange{"IncompleteWaits", "F", ""}),
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

TEST(Session, PlainCapsEndWithTheirStatus) {
  FakeTuner tuner;
  rigctl::Session session{tuner};
  const std::string answer = session.feed("\\dump_caps\n").answer;
  EXPECT_EQ(answer.rfind("Caps dump for model:\t2\n", 0), 0u) << answer;
  EXPECT_TRUE(answer.ends_with("\nCan send Voice:\tN\nRPRT 0\n")) << answer;
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

TEST(Session, ALineLongerThanOneKibibyteClosesTheConnection) {
  FakeTuner tuner;
  rigctl::Session session{tuner};
  EXPECT_FALSE(session.feed(std::string(1024, ' ') + "\n").close);
  EXPECT_TRUE(session.feed(std::string(1025, 'f')).close);
  EXPECT_EQ(session.feed("f\n").answer, "");
}

}  // namespace
