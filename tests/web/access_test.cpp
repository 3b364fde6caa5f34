#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "web/allowed_hosts.hpp"
#include "web/login_gate.hpp"

namespace {

using std::chrono::seconds;
using Outcome = web::LoginGate::Outcome;

TEST(AllowedHosts, OnlyTheBoxsOwnNamesOnItsPort) {
  const web::AllowedHosts hosts(
      8080, {"localhost", "box", "box.local"},
      {QHostAddress("127.0.0.1"), QHostAddress("192.168.1.20"), QHostAddress("::1")});
  const struct {
    const char* header;
    bool allowed;
  } cases[] = {
      {"LOCALHOST:8080", true},
      {"box.local:8080", true},
      {"[::1]:8080", true},
      {"localhost", false},  // port 80
      {"box.local.evil.example:8080", false},
      {"192.168.1.21:8080", false},  // another machine
      {"[::1]", false},
      {":8080", false},
      {"", false},
      {"localhost:80a", false},
  };
  for (const auto& each : cases) EXPECT_EQ(hosts.allows(each.header), each.allowed) << each.header;
}

TEST(LoginGate, TheRightPasswordOpensASessionThatItsCookieCarries) {
  web::LoginGate gate(QByteArray("hunter 2"));
  const auto t0 = web::LoginGate::Clock::time_point{} + seconds(1000);
  const auto attempt = gate.log_in("hunter 2", t0);
  ASSERT_EQ(attempt.outcome, Outcome::kAccepted);
  const QByteArray cookie = "saa1057-session=" + attempt.session;
  EXPECT_TRUE(gate.admits("theme=dark; " + cookie));
  EXPECT_FALSE(gate.admits("saa1057-session=" + attempt.session.left(10)));
  EXPECT_FALSE(gate.admits("other=" + attempt.session));
  EXPECT_NE(gate.log_in("hunter 2", t0).session, attempt.session);
}

TEST(LoginGate, EachWrongPasswordDoublesTheWaitUpToAMinute) {
  web::LoginGate gate(QByteArray("hunter 2"));
  auto now = web::LoginGate::Clock::time_point{} + seconds(1000);
  const std::vector<long> waits{1, 2, 4, 8, 16, 32, 60, 60};
  for (const long wait : waits) {
    const auto wrong = gate.log_in("hunter 3", now);
    EXPECT_EQ(wrong.outcome, Outcome::kWrong);
    EXPECT_EQ(wrong.wait.count(), wait);
    // Even the right password is not heard before the wait is over.
    const auto early = gate.log_in("hunter 2", now + seconds(wait) - std::chrono::milliseconds(1));
    EXPECT_EQ(early.outcome, Outcome::kTooSoon);
    EXPECT_EQ(early.wait.count(), 1);
    now += seconds(wait);
  }
  EXPECT_EQ(gate.log_in("hunter 2", now).outcome, Outcome::kAccepted);
  EXPECT_EQ(gate.log_in("hunter 3", now).wait.count(), 1);
}

// The secret with one byte changed: the first, one in the middle, the last.
std::vector<QByteArray> near_misses(const QByteArray& secret) {
  std::vector<QByteArray> misses;
  for (const qsizetype at : {qsizetype{0}, secret.size() / 2, secret.size() - 1}) {
    QByteArray miss = secret;
    miss[at] = static_cast<char>(miss[at] == '0' ? '1' : '0');
    misses.push_back(miss);
  }
  return misses;
}

TEST(LoginGate, APasswordOrATokenOneByteOffIsRefused) {
  web::LoginGate gate(QByteArray("hunter 2"));
  auto now = web::LoginGate::Clock::time_point{} + seconds(1000);
  const QByteArray session = gate.log_in("hunter 2", now).session;
  for (const QByteArray& password : near_misses("hunter 2")) {
    now += seconds(60);  // past any wait
    EXPECT_EQ(gate.log_in(password, now).outcome, Outcome::kWrong) << password.toStdString();
  }
  for (const QByteArray& token : near_misses(session)) {
    EXPECT_FALSE(gate.admits("saa1057-session=" + token)) << token.toStdString();
  }
  EXPECT_TRUE(gate.admits("saa1057-session=" + session));
}

TEST(LoginGate, TheOldestOfSixtyFiveSessionsIsClosed) {
  web::LoginGate gate(QByteArray("hunter 2"));
  std::vector<QByteArray> sessions;
  for (int i = 0; i < 65; ++i) {
    sessions.push_back(gate.log_in("hunter 2", web::LoginGate::Clock::time_point{}).session);
  }
  EXPECT_FALSE(gate.admits("saa1057-session=" + sessions[0]));
  EXPECT_TRUE(gate.admits("saa1057-session=" + sessions[1]));
}

}  // namespace
