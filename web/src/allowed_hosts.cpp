#include "web/allowed_hosts.hpp"

#include <QHostInfo>
#include <QNetworkInterface>
#include <algorithm>

namespace web {

AllowedHosts::AllowedHosts(quint16 port, QStringList names, Addresses addresses)
    : port_(port), names_(std::move(names)), addresses_(std::move(addresses)) {}

AllowedHosts AllowedHosts::of_this_machine(quint16 port) {
  QStringList names{"localhost"};
  const QString host = QHostInfo::localHostName();
  if (!host.isEmpty()) {
    names << host;
    for (const char* suffix : {".local", ".lan", ".home", ".home.arpa", ".internal"}) {
      names << host + suffix;
    }
  }
  return AllowedHosts(port, names, [] {
    const auto local = QNetworkInterface::allAddresses();
    return std::vector<QHostAddress>(local.begin(), local.end());
  });
}

bool AllowedHosts::allows(QByteArrayView host_header) const {
  const auto authority = split(host_header);
  return authority && authority->port.value_or(80) == port_ && is_own(authority->host);
}

bool AllowedHosts::names_box(QByteArrayView authority) const {
  const auto split_up = split(authority);
  return split_up && is_own(split_up->host);
}

std::optional<AllowedHosts::Authority> AllowedHosts::split(QByteArrayView authority) {
  const QString text = QString::fromLatin1(authority).trimmed();
  // The port is what follows the last colon after any bracketed IPv6 address.
  const qsizetype bracket = text.lastIndexOf(']');
  const qsizetype colon = text.lastIndexOf(':');
  Authority split_up{text, std::nullopt};
  if (colon > bracket) {
    bool number = false;
    split_up.port = text.mid(colon + 1).toUShort(&number);
    if (!number) return std::nullopt;
    split_up.host = text.left(colon);
  }
  if (split_up.host.isEmpty()) return std::nullopt;
  return split_up;
}

bool AllowedHosts::is_own(QString host) const {
  if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
  const QHostAddress address(host);
  if (!address.isNull()) {
    return std::ranges::any_of(addresses_(), [&](const QHostAddress& own) {
      return own.isEqual(address, QHostAddress::TolerantConversion);
    });
  }
  return names_.contains(host, Qt::CaseInsensitive);
}

}  // namespace web
