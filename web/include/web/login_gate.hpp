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
    std::string note;             // for the log, at most once per kNoteInterval
  };
  // After each wrong password from a client (an address; an IPv6 one by its /64, which one host
  // holds whole), that client's next attempt is heard only after a wait, doubling from one
  // second to a minute, so that one stranger cannot lock the owner out from another; a client is
  // remembered for kLongestWait after its wait ends. The whole gate hears at most
  // kMaxWrongPerSecond wrong passwords a second from all clients together, kReservedForNew of
  // them for clients with no wait on record (the owner, come to log in, among them): an attempt
  // beyond is not heard, and its client waits as after a wrong password.
  Attempt log_in(QByteArrayView password, const std::string& address, Clock::time_point now);

  static constexpr std::size_t kMaxAddresses = 4096;  // beyond, a new client waits for room
  static constexpr int kMaxWrongPerSecond = 10;
  static constexpr int kReservedForNew = 2;
  static constexpr std::chrono::seconds kLongestWait{60};
  static constexpr std::chrono::seconds kNoteInterval{10};

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
  // The wait before `client`'s next attempt, doubling with its count.
  std::chrono::seconds wait_more(const std::string& client, Clock::time_point now);
  // Whether there is room for one more client, once those remembered long enough are forgotten.
  bool room_for_one_more(Clock::time_point now);
  // The log's line for a wrong password, or the count of those not told.
  std::string note(const std::string& address, std::chrono::seconds wait, Clock::time_point now);

  std::map<std::string, Failures> failed_;
  Clock::time_point second_began_{};
  int wrong_this_second_ = 0;
  Clock::time_point noted_at_{};
  int not_noted_ = 0;
};

}  // namespace web
