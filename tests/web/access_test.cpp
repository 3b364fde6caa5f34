#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "web/allowed_hosts.hpp"
#include "web/login_gate.hpp"
#include "web/password_file.hpp"

namespace {

using std::chrono::seconds;
using Outcome = web::LoginGate::Outcome;
const std::string kOwner = "192.0.2.7";

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
  // A TLS proxy's origin: the box's name on any port.
  for (const auto& [authority, named] : {std::pair{"box.local", true},
                                         {"BOX:8443", true},
                                         {"[::1]:443", true},
                                         {"box.evil.example", false},
                                         {"box:x", false},
                                         {"", false}}) {
    EXPECT_EQ(hosts.names_box(authority), named) << authority;
  }
}

TEST(LoginGate, TheRightPasswordOpensASessionThatItsCookieCarries) {
  web::LoginGate gate(QByteArray("hunter 2"));
  const auto t0 = web::LoginGate::Clock::time_point{} + seconds(1000);
  const auto attempt = gate.log_in("hunter 2", kOwner, t0);
  ASSERT_EQ(attempt.outcome, Outcome::kAccepted);
  const QByteArray cookie = "saa1057-session=" + attempt.session;
  EXPECT_TRUE(gate.admits("theme=dark; " + cookie));
  EXPECT_FALSE(gate.admits("saa1057-session=" + attempt.session.left(10)));
  EXPECT_FALSE(gate.admits("other=" + attempt.session));
  EXPECT_NE(gate.log_in("hunter 2", kOwner, t0).session, attempt.session);
}

TEST(LoginGate, EachWrongPasswordDoublesItsAddresssWaitUpToAMinute) {
  web::LoginGate gate(QByteArray("hunter 2"));
  auto now = web::LoginGate::Clock::time_point{} + seconds(1000);
  const std::vector<long> waits{1, 2, 4, 8, 16, 32, 60, 60};
  for (const long wait : waits) {
    const auto wrong = gate.log_in("hunter 3", kOwner, now);
    EXPECT_EQ(wrong.outcome, Outcome::kWrong);
    EXPECT_EQ(wrong.wait.count(), wait);
    // Even the right password is not heard before the wait is over.
    const auto early =
        gate.log_in("hunter 2", kOwner, now + seconds(wait) - std::chrono::milliseconds(1));
    EXPECT_EQ(early.outcome, Outcome::kTooSoon);
    EXPECT_EQ(early.wait.count(), 1);
    now += seconds(wait);
  }
  EXPECT_EQ(gate.log_in("hunter 2", kOwner, now).outcome, Outcome::kAccepted);
  EXPECT_EQ(gate.log_in("hunter 3", kOwner, now).wait.count(), 1);
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
  const QByteArray session = gate.log_in("hunter 2", kOwner, now).session;
  for (const QByteArray& password : near_misses("hunter 2")) {
    now += seconds(60);  // past any wait
    EXPECT_EQ(gate.log_in(password, kOwner, now).outcome, Outcome::kWrong)
        << password.toStdString();
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
    sessions.push_back(
        gate.log_in("hunter 2", kOwner, web::LoginGate::Clock::time_point{}).session);
  }
  EXPECT_FALSE(gate.admits("saa1057-session=" + sessions[0]));
  EXPECT_TRUE(gate.admits("saa1057-session=" + sessions[1]));
}

// A stranger guessing cannot lock the owner out; strangers at many addresses together are held
// to kMaxWrongPerSecond, but never one that has not failed.
TEST(LoginGate, WrongPasswordsDelayTheirOwnAddressAndTheManyTogether) {
  web::LoginGate gate(QByteArray("hunter 2"));
  const auto t0 = web::LoginGate::Clock::time_point{} + seconds(1000);
  const auto at = [&](int ms) { return t0 + std::chrono::milliseconds(ms); };
  EXPECT_EQ(gate.log_in("guess", "198.51.100.1", t0).outcome, Outcome::kWrong);
  EXPECT_EQ(gate.log_in("guess", "198.51.100.1", at(1)).outcome, Outcome::kTooSoon);
  EXPECT_EQ(gate.log_in("hunter 2", kOwner, at(2)).outcome, Outcome::kAccepted);
  // Three addresses that failed a while ago, their waits over; then, in one second, strangers
  // up to the ceiling: the two that failed before are heard until it, the owner not at it.
  for (const char* old : {"198.51.100.2", "198.51.100.3", kOwner.c_str()}) {
    gate.log_in("guess", old, at(5000));
  }
  for (int i = 0; i < web::LoginGate::kMaxWrongPerSecond - 2; ++i) {
    EXPECT_EQ(gate.log_in("guess", "203.0.113." + std::to_string(i), at(10'000)).outcome,
              Outcome::kWrong);
  }
  EXPECT_EQ(gate.log_in("guess", "198.51.100.2", at(10'010)).outcome, Outcome::kWrong);
  EXPECT_EQ(gate.log_in("guess", "198.51.100.3", at(10'020)).outcome, Outcome::kWrong);
  const auto held = gate.log_in("hunter 2", kOwner, at(10'400));
  EXPECT_EQ(held.outcome, Outcome::kTooSoon);
  EXPECT_EQ(held.wait.count(), 1);
  EXPECT_EQ(gate.log_in("guess", "203.0.113.99", at(10'500)).outcome, Outcome::kWrong);
  EXPECT_EQ(gate.log_in("hunter 2", kOwner, at(11'000)).outcome, Outcome::kAccepted);
}

// The addresses kept are bounded: the one whose wait ends first is forgotten for a new one.
TEST(LoginGate, TheAddressWhoseWaitEndsFirstIsForgottenBeyondTheTable) {
  web::LoginGate gate(QByteArray("hunter 2"));
  auto now = web::LoginGate::Clock::time_point{} + seconds(1000);
  for (std::size_t i = 0; i < web::LoginGate::kMaxAddresses; ++i) {
    now += seconds(1);
    gate.log_in("guess", "203.0.113." + std::to_string(i), now);
  }
  now += seconds(1);
  EXPECT_EQ(gate.log_in("guess", "203.0.113.0", now).wait.count(), 2);  // still known
  gate.log_in("guess", "198.51.100.1", now);  // one more: 203.0.113.1 goes
  EXPECT_EQ(gate.log_in("guess", "203.0.113.1", now).wait.count(), 1);
}

// The password file as editors save it: a byte-order mark, CR LF, spaces at the end. A file of
// nothing else is refused, named.
TEST(PasswordFile, TakesThePasswordAsPeopleWriteIt) {
  const std::pair<std::string, std::string> rows[] = {
      {"Secret123abc\n", "Secret123abc"},
      {"\xEF\xBB\xBFSecret123abc\r\n", "Secret123abc"},
      {"Secret 123 \t\r\nsecond line\n", "Secret 123"},
      {" \r\n", ""},
      {"\xEF\xBB\xBF\r\n", ""},
  };
  const auto path = std::filesystem::temp_directory_path() /
                    ("password-" + std::to_string(QCoreApplication::applicationPid()));
  const std::string refused = "The web page's password file " + path.string() +
                              " holds no password: its first line is empty or only spaces.";
  for (const auto& [written, password] : rows) {
    std::ofstream(path, std::ios::binary) << written;
    std::string got;
    try {
      got = web::password_from_file(path.string()).toStdString();
    } catch (const std::exception& error) {
      got = error.what();
    }
    if (password.empty()) {
      EXPECT_TRUE(got.starts_with(refused)) << written << ": " << got;
    } else {
      EXPECT_EQ(got, password) << written;
    }
  }
  std::filesystem::remove(path);
}

}  // namespace
