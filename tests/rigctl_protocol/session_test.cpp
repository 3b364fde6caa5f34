#include "rigctl_protocol/session.hpp"

#include <gtest/gtest.h>

#include "support/fake_tuner.hpp"
#include "support/golden.hpp"

namespace {

using support::FakeTuner;

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
  rigctl_protocol::Receiver receiver{tuner};
  rigctl_protocol::Session session{receiver};
  const auto output = session.feed(GetParam().input);
  EXPECT_EQ(output.answer, GetParam().answer);
  EXPECT_EQ(output.close, GetParam().close);
  if (output.close) {
    EXPECT_EQ(session.feed("f\n").answer, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Session, Endings,
    ::testing::Values(
        Ending{"ExtendedQuit", "+Q\nf\n", "quit:\nRPRT 0\n", true},
        Ending{"IncompleteWaits", "F", "", false},
        Ending{"LineOfOneKibibyte", std::string(1024, ' ') + "\nf\n", "106200000\n", false},
        Ending{"LineOfMore", std::string(1025, 'f'), "", true},
        Ending{"DroppedLineOfMore", "b " + std::string(1100, 'x'), "", true},
        // HTTP, as a browser sends it for a page of another site: nothing of it
        // is carried out, not even the body's tuning.
        Ending{"HttpRequest", "POST / HTTP/1.1\r\nHost: box\r\n\r\nF 88000000\n", "", true},
        Ending{"HttpHeaderAfterACommand", "f\nOrigin: http://evil.example\nF 88000000\n",
               "106200000\n", true},
        Ending{"HttpWordsInACommand", "F HTTP/1.1\n", "RPRT -1\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

// Each command of Hamlib's list, by either name and with the arguments Hamlib reads, gets one
// answer: in the extended form, one RPRT line, and the next command is answered in step.
TEST(Session, EveryHamlibCommandIsAnsweredOnceAfterItsArguments) {
  const std::string next = "get_freq:\nFrequency: 106200000\nRPRT 0\n";
  for (const auto& row : support::golden("hamlib_commands.txt")) {
    const auto columns = support::split(row, " ");  // short name, long name, arguments
    std::string short_name = columns[0];
    if (short_name.starts_with("\\x")) {
      short_name = std::string(1, static_cast<char>(std::stoi(short_name.substr(2), nullptr, 16)));
    }
    std::string given = columns[2] == "line" ? " 0 0 0" : "";
    for (int i = 0; columns[2] != "line" && i < std::stoi(columns[2]); ++i) given += " 0";
    for (const std::string& name : {short_name, "\\" + columns[1]}) {
      if (name == "-") continue;
      FakeTuner tuner;
      rigctl_protocol::Receiver receiver{tuner};
      rigctl_protocol::Session session{receiver};
      const std::string answer = session.feed("+" + name + given + "\n+\\get_freq\n").answer;
      std::size_t statuses = 0;
      for (auto at = answer.find("RPRT "); at != std::string::npos;
           at = answer.find("RPRT ", at + 1)) {
        ++statuses;
      }
      EXPECT_EQ(statuses, 2u) << row << " as " << name << ":\n" << answer;
      EXPECT_TRUE(answer.ends_with(next)) << row << " as " << name << ":\n" << answer;
    }
  }
}

TEST(Session, TokensSplitAcrossReadsAreJoined) {
  FakeTuner tuner;
  rigctl_protocol::Receiver receiver{tuner};
  rigctl_protocol::Session session{receiver};
  std::string answer;
  for (const char c : std::string("F 1000000") + "00\nf\n")
    answer += session.feed(std::string(1, c)).answer;
  EXPECT_EQ(answer, "RPRT 0\n100000000\n");
  EXPECT_EQ(tuner.tunings, 1);
}

// The frequency a client set reads back as set only while its divider is the chip's: after the
// slider moved (here, the tuner alone), the divider's frequency.
TEST(Session, AFrequencyReadsBackAsSetUntilTheDividerMoves) {
  FakeTuner tuner;
  rigctl_protocol::Receiver receiver{tuner};
  rigctl_protocol::Session session{receiver};
  EXPECT_EQ(session.feed("F 95901000\nf\n").answer, "RPRT 0\n95901000\n");
  tuner.divider_ = 10670;
  EXPECT_EQ(session.feed("f\n").answer, "96000000\n");
}

// A tuning that the port failed to send is an I/O error, and the frequency reads back as the
// one sent, even where the failed request's step was the chip's.
TEST(Session, ATuningThatFailedAnswersAnIoError) {
  FakeTuner tuner;
  tuner.failing_tuning = 1;
  rigctl_protocol::Receiver receiver{tuner};
  rigctl_protocol::Session session{receiver};
  EXPECT_EQ(session.feed("F 106203000\nf\n").answer, "RPRT -6\n106200000\n");
}

}  // namespace
