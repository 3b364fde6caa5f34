#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>

namespace web {

// Who may tune: everyone, or those who gave the password and hold the session it opened.
class LoginGate {
 public:
  using Clock = std::chrono::steady_clock;

  // Without a password everyone may.
  explicit LoginGate(std::optional<QByteArray> password);

  bool needs_password() const { return password_digest_.has_value(); }

  enum class Outcome { kAccepted, kWrong, kTooSoon };
  struct Attempt {
    Outcome outcome;
    QByteArray session;           // kAccepted: the new session's token, for the cookie
    std::chrono::seconds wait{};  // kWrong, kTooSoon: until the next attempt is heard
  };
  // After each wrong password from an address, that address's next attempt is heard only after
  // a wait, doubling from one second to a minute, so that one stranger cannot lock the owner out
  // from another. Guessing from many addresses is slowed too: beyond kMaxWrongPerSecond wrong
  // passwords a second from all of them, an address that has failed before waits for the next
  // second; one that has not is always heard.
  Attempt log_in(QByteArrayView password, const std::string& address, Clock::time_point now);

  static constexpr std::size_t kMaxAddresses = 256;  // beyond, the longest unheard is forgotten
  static constexpr int kMaxWrongPerSecond = 10;

  // Whether a request's Cookie header holds an open session (always, without a password).
  bool admits(QByteArrayView cookie_header) const;

  static constexpr const char* kCookieName = "saa1057-session";

 private:
  static constexpr std::size_t kMaxSessions = 64;

  // Digests only: a request's token is hashed once, not every open session with it.
  std::optional<QByteArray> password_digest_;
  std::deque<QByteArray> sessions_;  // digests, the oldest first, dropped beyond kMaxSessions
  struct Failures {
    int count = 0;
    Clock::time_point heard_again_at{};
  };
  std::map<std::string, Failures> failed_;
  Clock::time_point second_began_{};
  int wrong_this_second_ = 0;
};

}  // namespace web
