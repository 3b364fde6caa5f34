#include "web/login_gate.hpp"

#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>

namespace web {

namespace {

constexpr std::chrono::seconds kLongestWait{60};

// Compares digests, so the time taken says nothing of where a guess first differs.
bool same_secret(QByteArrayView given, QByteArrayView expected) {
  const QByteArray a = QCryptographicHash::hash(given, QCryptographicHash::Sha256);
  const QByteArray b = QCryptographicHash::hash(expected, QCryptographicHash::Sha256);
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

LoginGate::LoginGate(std::optional<QByteArray> password) : password_(std::move(password)) {}

LoginGate::Attempt LoginGate::log_in(QByteArrayView password, Clock::time_point now) {
  if (now < heard_again_at_) {
    const auto left = std::chrono::ceil<std::chrono::seconds>(heard_again_at_ - now);
    return {Outcome::kTooSoon, {}, left};
  }
  if (!password_ || !same_secret(password, *password_)) {
    ++failures_;
    const std::chrono::seconds wait =
        std::min(kLongestWait, std::chrono::seconds{1 << std::min(failures_ - 1, 6)});
    heard_again_at_ = now + wait;
    return {Outcome::kWrong, {}, wait};
  }
  failures_ = 0;
  sessions_.push_back(new_token());
  if (sessions_.size() > kMaxSessions) sessions_.pop_front();
  return {Outcome::kAccepted, sessions_.back(), {}};
}

bool LoginGate::admits(QByteArrayView cookie_header) const {
  if (!password_) return true;
  const QByteArray prefix = QByteArray(kCookieName) + '=';
  for (const QByteArray& cookie : cookie_header.toByteArray().split(';')) {
    const QByteArray pair = cookie.trimmed();
    if (!pair.startsWith(prefix)) continue;
    const QByteArray token = pair.mid(prefix.size());
    if (std::ranges::any_of(sessions_,
                            [&](const QByteArray& open) { return same_secret(token, open); })) {
      return true;
    }
  }
  return false;
}

}  // namespace web
