#include "web/login_gate.hpp"

#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>

namespace web {

namespace {

using std::chrono::seconds;
using namespace std::chrono_literals;

constexpr seconds kLongestWait{60};

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
  if (now - second_began_ >= std::chrono::seconds(1)) {
    second_began_ = now;
    wrong_this_second_ = 0;
  }
  const auto failed = failed_.find(address);
  if (failed != failed_.end()) {
    const auto wait_ends = wrong_this_second_ >= kMaxWrongPerSecond
                               ? std::max(failed->second.heard_again_at, second_began_ + 1s)
                               : failed->second.heard_again_at;
    if (now < wait_ends)
      return {Outcome::kTooSoon, {}, std::chrono::ceil<seconds>(wait_ends - now)};
  }
  if (!password_digest_ || !same_digest(digest(password), *password_digest_)) {
    ++wrong_this_second_;
    if (failed == failed_.end() && failed_.size() >= kMaxAddresses) {
      failed_.erase(std::ranges::min_element(
          failed_, {}, [](const auto& entry) { return entry.second.heard_again_at; }));
    }
    Failures& failures = failed_[address];
    ++failures.count;
    const seconds wait = std::min(kLongestWait, seconds{1 << std::min(failures.count - 1, 6)});
    failures.heard_again_at = now + wait;
    return {Outcome::kWrong, {}, wait};
  }
  if (failed != failed_.end()) failed_.erase(failed);
  const QByteArray token = new_token();
  sessions_.push_back(digest(token));
  if (sessions_.size() > kMaxSessions) sessions_.pop_front();
  return {Outcome::kAccepted, token, {}};
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
