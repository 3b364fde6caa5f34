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

using Outcome = web::LoginGate::Outcome;
const std::string kOwner = "192.0.2.7";

TEST(AllowedHosts, OnlyTheBoxsOwnNamesOnItsPort) {
  const web::AllowedHosts hosts(8080, {"localhost", "box", "box.local"}, [] {
    return std::vector{QHostAddress("127.0.0.1"), QHostAddress("192.168.1.20"),
                       QHostAddress("::1")};
  });
  support::expect_rows("allowed_hosts.txt", [&hosts](const std::string& asked) {
    const auto space = asked.find(' ');
    const std::string given = space == std::string::npos ? "" : asked.substr(space + 1);
    return (asked.starts_with("Host") ? hosts.allows(given) : hosts.names_box(given)) ? "yes"
                                                                                      : "no";
  });
}

// The gate for "hunter 2", its clock at 1000 s.
struct LoginGate : ::testing::Test {
  web::LoginGate gate{QByteArray("hunter 2")};
  web::LoginGate::Clock::time_point now{std::chrono::seconds(1000)};
  web::LoginGate::Attempt at(int ms, QByteArrayView password, const std::string& address) {
    return gate.log_in(password, address, now + std::chrono::milliseconds(ms));
  }
  bool admits(const QByteArray& session) { return gate.admits("saa1057-session=" + session); }
};

// A session's cookie admits, whatever other cookies come with it; a password one byte off does
// not (login_attempts.txt), nor its token with a digit off, which a comparison of part of it
// would let in. Each log-in opens a session of its own, and of sixty-five the oldest is closed.
TEST_F(LoginGate, TheRightPasswordOpensASessionThatItsCookieCarries) {
  const auto attempt = at(0, "hunter 2", kOwner);
  ASSERT_EQ(attempt.outcome, Outcome::kAccepted);
  EXPECT_TRUE(gate.admits("theme=dark; saa1057-session=" + attempt.session));
  EXPECT_FALSE(admits(attempt.session.left(10)));
  for (const int digit : {0, 32, 63}) {
    const char* other = attempt.session[digit] == '0' ? "1" : "0";
    EXPECT_FALSE(admits(QByteArray(attempt.session).replace(digit, 1, other))) << digit;
  }
  EXPECT_FALSE(gate.admits("other=" + attempt.session));
  const auto second = at(0, "hunter 2", kOwner).session;
  EXPECT_NE(second, attempt.session);
  // Nor do other tokens, which a comparison of part of their digests would let in now and then.
  int admitted = 0;
  for (int i = 0; i < 100'000; ++i) admitted += admits(QByteArray::number(i));
  EXPECT_EQ(admitted, 0);
  for (int i = 0; i < 63; ++i) at(0, "hunter 2", kOwner);
  EXPECT_FALSE(admits(attempt.session));
  EXPECT_TRUE(admits(second));
}

TEST_F(LoginGate, WrongPasswordsDelayTheirOwnAddressAndTheManyTogether) {
  const char* outcomes[] = {"accepted", "wrong", "too soon"};
  for (const auto& row : support::golden("login_attempts.txt")) {
    if (row.starts_with("case ")) {
      gate = web::LoginGate(QByteArray("hunter 2"));
      continue;
    }
    const auto columns = support::fields(row);  // ms | password | address | outcome wait
    const auto attempt =
        at(std::stoi(columns[0]), QByteArray::fromStdString(columns[1]), columns[2]);
    const std::string outcome = outcomes[static_cast<int>(attempt.outcome)];
    EXPECT_EQ(outcome + " " + std::to_string(attempt.wait.count()), columns[3]) << row;
  }
}

// 4096 clients are kept, each for a minute after its wait ends: a new one beyond waits for room
// without being kept, a client kept is not new again, and room comes as a minute passes.
TEST_F(LoginGate, ClientsAreKeptAMinuteAfterTheirWaitsBeyondWhichNewOnesWait) {
  for (int i = 0; i < 4096; ++i)
    at(0, "guess", "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256));
  EXPECT_EQ(at(0, "guess", "198.51.100.1").wait.count(), 1);
  EXPECT_EQ(at(30000, "guess", "10.0.0.0").wait.count(), 2);
  EXPECT_EQ(at(30000, "guess", "198.51.100.1").outcome, Outcome::kTooSoon);
  EXPECT_EQ(at(62000, "guess", "198.51.100.1").outcome, Outcome::kWrong);
}

// The log hears of wrong passwords once per ten seconds (login_notes.txt).
TEST_F(LoginGate, TellsTheLogOncePerTenSecondsWithTheCountBetween) {
  support::expect_rows("../web/login_notes.txt", [this](const std::string& attempt) {
    const auto note = at(std::stoi(attempt), "guess", attempt.substr(attempt.find(' ') + 1)).note;
    return note.empty() ? "-" : note;
  });
}

// The password file as editors save it (password_files.txt): a byte-order mark, CR LF, spaces at
// the end. A file of nothing else is refused, named (no password in its row).
TEST(PasswordFile, TakesThePasswordAsPeopleWriteIt) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("password-" + std::to_string(QCoreApplication::applicationPid())))
                               .string();
  support::expect_rows("../web/password_files.txt", [&path](const std::string& written) {
    std::ofstream(path, std::ios::binary) << support::bytes(written);
    std::string got;
    auto failure =
        support::failure_of([&got, &path] { got = web::password_from_file(path).toStdString(); });
    return got.empty() ? failure.replace(failure.find(path), path.size(), "FILE") : got;
  });
  std::filesystem::remove(path);
}

}  // namespace
