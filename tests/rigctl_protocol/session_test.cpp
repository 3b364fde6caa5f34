#include "rigctl_protocol/session.hpp"

#include <gtest/gtest.h>

#include "support/fake_tuner.hpp"
#include "support/golden.hpp"

namespace {

TEST(Session, EachConversationIsAnsweredAndEndsWhereItShould) {
  for (const auto& row : support::golden("rigctl_sessions.txt")) {
    const auto columns = support::fields(row);
    support::FakeTuner tuner;
    tuner.failing_tuning = std::stoi(columns[4]);
    if (columns.size() > 5) tuner.step_.hz = std::stoi(columns[5]);
    rigctl_protocol::Receiver receiver{tuner};
    rigctl_protocol::Session session{receiver};
    std::string answer;
    bool closed = false;
    for (const auto& read : support::split(columns[0], " ^ ")) {
      const auto output = session.feed(support::bytes(read));
      answer += output.answer;
      closed = output.close;
      if (columns[3] != "0") tuner.divider_ = std::stoi(columns[3]);
    }
    EXPECT_EQ(answer, columns[1] == "-" ? "" : support::bytes(columns[1])) << row;
    EXPECT_EQ(closed ? "closed" : "open", columns[2]) << row;
  }
}

// Each command of Hamlib's list, by either name and with the arguments Hamlib reads, gets one
// answer: in the extended form, one RPRT line, and the next command is answered in step.
TEST(Session, EveryHamlibCommandIsAnsweredOnceAfterItsArguments) {
  for (const auto& row : support::golden("hamlib_commands.txt")) {
    const auto columns = support::split(row, " ");  // short name, long name, arguments
    std::string short_name = columns[0];
    if (short_name.starts_with("\\x"))
      short_name = std::string(1, static_cast<char>(std::stoi(short_name.substr(2), nullptr, 16)));
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
