#include "web/login_gate.hpp"

#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>

#include "client_of.hpp"

namespace web {

namespace {

using std::chrono::seconds;
using namespace std::chrono_literals;

QByteArray digest(QByteArrayView secret) {
  return QCryptographicHash::hash(secret, QCryptographicHash::Sha256);
}

// Compares digests in full, so the time taken says nothing of where a guess first differs.
bool same_digest(const QByteArray& a, const QByteArray& b) {
  unsigned char difference = 0;
  for (qsizetype i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
  return difference == 0;
}

QByteArray new_token() {
  quint32 words[8];
  QRandomGenerator::system()->fillRange(words);
  return QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
}

}  // namespace

LoginGate::LoginGate(std::optional<QByteArray> password) {
  if (password) password_digest_ = digest(*password);
}

LoginGate::Attempt LoginGate::log_in(QByteArrayView password, const std::string& address,
                                     Clock::time_point now) {
  if (now - second_began_ >= 1s) {
    second_began_ = now;
    wrong_this_second_ = 0;
  }
  const std::string client = client_of(address);
  const auto failed = failed_.find(client);
  const bool known = failed != failed_.end();
  if (known && now < failed->second.heard_again_at) {
    ++not_noted_;
    return {
        Outcome::kTooSoon, {}, std::chrono::ceil<seconds>(failed->second.heard_again_at - now), ""};
  }
  const int heard = known ? kMaxWrongPerSecond - kReservedForNew : kMaxWrongPerSecond;
  if (wrong_this_second_ >= heard || (!known && !room_for_one_more(now))) {
    ++not_noted_;
    if (!known && failed_.size() >= kMaxAddresses) return {Outcome::kTooSoon, {}, 1s, ""};
    ++failed_[client].count;
    return {Outcome::kTooSoon, {}, wait_more(client, now), ""};
  }
  if (!password_digest_ || !same_digest(digest(password), *password_digest_)) {
    ++wrong_this_second_;
    ++failed_[client].count;
    const seconds wait = wait_more(client, now);
    return {Outcome::kWrong, {}, wait, note(address, wait, now)};
  }
  if (known) failed_.erase(failed);
  const QByteArray token = new_token();
  sessions_.push_back(digest(token));
  if (sessions_.size() > kMaxSessions) sessions_.pop_front();
  return {Outcome::kAccepted, token, {}, ""};
}

seconds LoginGate::wait_more(const std::string& client, Clock::time_point now) {
  Failures& failures = failed_[client];
  const seconds wait = std::min(kLongestWait, seconds{1 << std::min(failures.count - 1, 6)});
  failures.heard_again_at = now + wait;
  return wait;
}

bool LoginGate::room_for_one_more(Clock::time_point now) {
  if (failed_.size() < kMaxAddresses) return true;
  std::erase_if(failed_, [now](const auto& entry) {
    return now >= entry.second.heard_again_at + kLongestWait;
  });
  return failed_.size() < kMaxAddresses;
}

std::string LoginGate::note(const std::string& address, seconds wait, Clock::time_point now) {
  if (noted_at_ != Clock::time_point{} && now - noted_at_ < kNoteInterval) {
    ++not_noted_;
    return "";
  }
  std::string line = "a wrong password for the web page from " + address +
                     "; its next attempt is heard in " + std::to_string(wait.count()) + " s";
  if (not_noted_ > 0) {
    line += " (and " + std::to_string(not_noted_) + " attempts, wrong or too soon, since the last)";
  }
  noted_at_ = now;
  not_noted_ = 0;
  return line;
}

bool LoginGate::admits(QByteArrayView cookie_header) const {
  if (!password_digest_) return true;
  const QByteArray prefix = QByteArray(kCookieName) + '=';
  for (const QByteArray& cookie : cookie_header.toByteArray().split(';')) {
    const QByteArray pair = cookie.trimmed();
    if (!pair.startsWith(prefix)) continue;
    const QByteArray token = digest(pair.mid(prefix.size()));
    if (std::ranges::any_of(sessions_,
                            [&](const QByteArray& open) { return same_digest(token, open); })) {
      return true;
    }
  }
  return false;
}

}  // namespace web
