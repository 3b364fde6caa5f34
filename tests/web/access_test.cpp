#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/golden.hpp"
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
  for (const auto& row : support::golden("allowed_hosts.txt")) {
    const auto columns = support::fields(row);
    const auto space = columns[0].find(' ');
    const std::string given = space == std::string::npos ? "" : columns[0].substr(space + 1);
    const bool allowed =
        columns[0].starts_with("Host") ? hosts.allows(given) : hosts.names_box(given);
    EXPECT_EQ(allowed ? "yes" : "no", columns[1]) << row;
  }
}

// The gate for "hunter 2", its clock at 1000 s.
struct LoginGate : ::testing::Test {
  web::LoginGate gate{QByteArray("hunter 2")};
  web::LoginGate::Clock::time_point now = web::LoginGate::Clock::time_point{} + seconds(1000);
  web::LoginGate::Attempt at(int ms, QByteArrayView password, const std::string& address) {
    return gate.log_in(password, address, now + std::chrono::milliseconds(ms));
  }
  bool admits(const QByteArray& session) { return gate.admits("saa1057-session=" + session); }
};

// A session's cookie admits, whatever other cookies come with it; a password one byte off does
// not (a token one digit off: web.http_checks).
TEST_F(LoginGate, TheRightPasswordOpensASessionThatItsCookieCarries) {
  const auto attempt = at(0, "hunter 2", kOwner);
  ASSERT_EQ(attempt.outcome, Outcome::kAccepted);
  EXPECT_TRUE(gate.admits("theme=dark; saa1057-session=" + attempt.session));
  EXPECT_FALSE(admits(attempt.session.left(10)));
  EXPECT_FALSE(gate.admits("other=" + attempt.session));
  EXPECT_NE(at(0, "hunter 2", kOwner).session, attempt.session);
  int ms = 0;
  // One byte changed (the first, one in the middle, the last), each past any wait.
  for (const char* password : {"xunter 2", "hunxer 2", "hunter x"}) {
    EXPECT_EQ(at(ms += 60'000, password, kOwner).outcome, Outcome::kWrong) << password;
  }
}

TEST_F(LoginGate, EachWrongPasswordDoublesItsAddresssWaitUpToAMinute) {
  int ms = 0;
  for (const long wait : {1, 2, 4, 8, 16, 32, 60, 60}) {
    const auto wrong = at(ms, "hunter 3", kOwner);
    EXPECT_EQ(wrong.outcome, Outcome::kWrong);
    EXPECT_EQ(wrong.wait.count(), wait);
    // Even the right password is not heard before the wait is over.
    ms += wait * 1000;
    const auto early = at(ms - 1, "hunter 2", kOwner);
    EXPECT_EQ(early.outcome, Outcome::kTooSoon);
    EXPECT_EQ(early.wait.count(), 1);
  }
  EXPECT_EQ(at(ms, "hunter 2", kOwner).outcome, Outcome::kAccepted);
  EXPECT_EQ(at(ms, "hunter 3", kOwner).wait.count(), 1);
}

TEST_F(LoginGate, TheOldestOfSixtyFiveSessionsIsClosed) {
  std::vector<QByteArray> sessions;
  for (int i = 0; i < 65; ++i) sessions.push_back(at(0, "hunter 2", kOwner).session);
  EXPECT_FALSE(admits(sessions[0]));
  EXPECT_TRUE(admits(sessions[1]));
}

// A stranger guessing cannot lock the owner out; strangers at many addresses together are held
// to kMaxWrongPerSecond, but never one that has not failed.
TEST_F(LoginGate, WrongPasswordsDelayTheirOwnAddressAndTheManyTogether) {
  EXPECT_EQ(at(0, "guess", "198.51.100.1").outcome, Outcome::kWrong);
  EXPECT_EQ(at(1, "guess", "198.51.100.1").outcome, Outcome::kTooSoon);
  EXPECT_EQ(at(2, "hunter 2", kOwner).outcome, Outcome::kAccepted);
  // Three addresses that failed a while ago, their waits over; then, in one second, strangers
  // up to the ceiling: the two that failed before are heard until it, the owner not at it.
  for (const char* old : {"198.51.100.2", "198.51.100.3", kOwner.c_str()}) at(5000, "guess", old);
  for (int i = 0; i < web::LoginGate::kMaxWrongPerSecond - 2; ++i) {
    EXPECT_EQ(at(10'000, "guess", "203.0.113." + std::to_string(i)).outcome, Outcome::kWrong);
  }
  EXPECT_EQ(at(10'010, "guess", "198.51.100.2").outcome, Outcome::kWrong);
  EXPECT_EQ(at(10'020, "guess", "198.51.100.3").outcome, Outcome::kWrong);
  const auto held = at(10'400, "hunter 2", kOwner);
  EXPECT_EQ(held.outcome, Outcome::kTooSoon);
  EXPECT_EQ(held.wait.count(), 1);
  EXPECT_EQ(at(10'500, "guess", "203.0.113.99").outcome, Outcome::kWrong);
  EXPECT_EQ(at(11'000, "hunter 2", kOwner).outcome, Outcome::kAccepted);
}

// The addresses kept are bounded: the one whose wait ends first is forgotten for a new one.
TEST_F(LoginGate, TheAddressWhoseWaitEndsFirstIsForgottenBeyondTheTable) {
  const int ms = 1000 * (web::LoginGate::kMaxAddresses + 1);
  for (std::size_t i = 0; i < web::LoginGate::kMaxAddresses; ++i) {
    at(1000 * (i + 1), "guess", "203.0.113." + std::to_string(i));
  }
  EXPECT_EQ(at(ms, "guess", "203.0.113.0").wait.count(), 2);  // still known
  at(ms, "guess", "198.51.100.1");                            // one more: 203.0.113.1 goes
  EXPECT_EQ(at(ms, "guess", "203.0.113.1").wait.count(), 1);
}

// The password file as editors save it: a byte-order mark, CR LF, spaces at the end. A file of
// nothing else is refused, named (no password in its row).
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
    const auto failure = support::failure_of(
        [&got, &path] { got = web::password_from_file(path.string()).toStdString(); });
    EXPECT_EQ(got, password) << written;
    EXPECT_EQ(failure.starts_with(refused), password.empty()) << written << ": " << failure;
  }
  std::filesystem::remove(path);
}

}  // namespace
