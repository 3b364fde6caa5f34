#include "rigctl_protocol/session.hpp"

#include <gtest/gtest.h>

#include "support/fake_tuner.hpp"
#include "support/golden.hpp"

namespace {

// What the conversations of the program's tests cannot show: where a connection ends, tokens
// split across reads, the slider moving under a client, a port that fails.
struct Conversation {
  const char* name;
  std::vector<std::string> reads;  // handed to the session one after another
  std::string answer;
  bool closed = false;      // after the last read, which a closed session answers with nothing
  std::int32_t slider = 0;  // where the slider moves after each read; 0: it stays
  int failing_tuning = 0;
};

TEST(Session, EachConversationIsAnsweredAndEndsWhereItShould) {
  const Conversation conversations[] = {
      {"extended quit", {"+Q\nf\n"}, "quit:\nRPRT 0\n", true},
      {"incomplete command", {"F"}, ""},
      {"line of 1 KiB", {std::string(1024, ' ') + "\nf\n"}, "106200000\n"},
      {"line of more", {std::string(1025, 'f'), "\nf\n"}, "", true},
      {"dropped line of more", {"b " + std::string(1100, 'x'), "\nf\n"}, "", true},
      // HTTP, as a browser sends it for a page of another site: nothing of it is carried out,
      // not even the body's tuning.
      {"HTTP request", {"POST / HTTP/1.1\r\nHost: box\r\n\r\nF 88000000\n"}, "", true},
      {"HTTP header", {"f\nOrigin: http://evil.example\nF 88000000\n"}, "106200000\n", true},
      {"HTTP's words in a command", {"F HTTP/1.1\n"}, "RPRT -1\n"},
      {"tokens split across reads", {"F 1", "00000000\n", "f", "\n"}, "RPRT 0\n100000000\n"},
      // The frequency a client set reads back as set only while its divider is the chip's.
      {"slider moved", {"F 95901000\nf\n", "f\n"}, "RPRT 0\n95901000\n96000000\n", false, 10670},
      // A tuning that the port failed to send is an I/O error, and the frequency reads back as
      // the one sent, even where the failed request's step was the chip's.
      {"port failed", {"F 106203000\nf\n"}, "RPRT -6\n106200000\n", false, 0, 1},
  };
  for (const auto& conversation : conversations) {
    support::FakeTuner tuner;
    tuner.failing_tuning = conversation.failing_tuning;
    rigctl_protocol::Receiver receiver{tuner};
    rigctl_protocol::Session session{receiver};
    std::string answer;
    bool closed = false;
    for (const auto& read : conversation.reads) {
      const auto output = session.feed(read);
      answer += output.answer;
      closed = output.close;
      if (conversation.slider) tuner.divider_ = conversation.slider;
    }
    EXPECT_EQ(answer, conversation.answer) << conversation.name;
    EXPECT_EQ(closed, conversation.closed) << conversation.name;
  }
}

// Each command of Hamlib's list, by either name and with the arguments Hamlib reads, gets one
// answer: in the extended form, one RPRT line, and the next command is answered in step.
TEST(Session, EveryHamlibCommandIsAnsweredOnceAfterItsArguments) {
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
      support::FakeTuner tuner;
      rigctl_protocol::Receiver receiver{tuner};
      rigctl_protocol::Session session{receiver};
      const std::string answer = session.feed("+" + name + given + "\n+\\get_freq\n").answer;
      EXPECT_TRUE(support::split(answer, "RPRT ").size() == 3 &&
                  answer.ends_with("get_freq:\nFrequency: 106200000\nRPRT 0\n"))
          << row << " as " << name << ":\n"
          << answer;
    }
  }
}

}  // namespace
