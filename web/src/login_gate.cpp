#include "web/login_gate.hpp"

#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>

namespace web {

namespace {

constexpr std::chrono::seconds kLongestWait{60};

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

LoginGate::Attempt LoginGate::log_in(QByteArrayView password, Clock::time_point now) {
  if (now < heard_again_at_) {
    const auto left = std::chrono::ceil<std::chrono::seconds>(heard_again_at_ - now);
    return {Outcome::kTooSoon, {}, left};
  }
  if (!password_digest_ || !same_digest(digest(password), *password_digest_)) {
    ++failures_;
    const std::chrono::seconds wait =
        std::min(kLongestWait, std::chrono::seconds{1 << std::min(failures_ - 1, 6)});
    heard_again_at_ = now + wait;
    return {Outcome::kWrong, {}, wait};
  }
  failures_ = 0;
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
