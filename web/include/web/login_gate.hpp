#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>
#include <deque>
#include <optional>

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
  // After each wrong password the next attempt is heard only after a wait, doubling from one
  // second to a minute, whoever makes it: guessing gets slow even from many addresses.
  Attempt log_in(QByteArrayView password, Clock::time_point now);

  // Whether a request's Cookie header holds an open session (always, without a password).
  bool admits(QByteArrayView cookie_header) const;

  static constexpr const char* kCookieName = "saa1057-session";

 private:
  static constexpr std::size_t kMaxSessions = 64;

  // Digests only: a request's token is hashed once, not every open session with it.
  std::optional<QByteArray> password_digest_;
  std::deque<QByteArray> sessions_;  // digests, the oldest first, dropped beyond kMaxSessions
  int failures_ = 0;
  Clock::time_point heard_again_at_{};
};

}  // namespace web
