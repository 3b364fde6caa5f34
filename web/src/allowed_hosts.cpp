#include "web/allowed_hosts.hpp"

#include <QHostInfo>
#include <QNetworkInterface>
#include <algorithm>

namespace web {

AllowedHosts::AllowedHosts(quint16 port, QStringList names, std::vector<QHostAddress> addresses)
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
  const auto local = QNetworkInterface::allAddresses();
  return AllowedHosts(port, names, {local.begin(), local.end()});
}

bool AllowedHosts::allows(QByteArrayView host_header) const {
  const QString header = QString::fromLatin1(host_header).trimmed();
  // The port is what follows the last colon after any bracketed IPv6 address; none means 80.
  const qsizetype bracket = header.lastIndexOf(']');
  const qsizetype colon = header.lastIndexOf(':');
  QString host = header;
  quint16 port = 80;
  if (colon > bracket) {
    bool number = false;
    port = header.mid(colon + 1).toUShort(&number);
    if (!number) return false;
    host = header.left(colon);
  }
  if (port != port_ || host.isEmpty()) return false;
  if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
  const QHostAddress address(host);
  if (!address.isNull()) {
    return std::ranges::any_of(addresses_, [&](const QHostAddress& own) {
      return own.isEqual(address, QHostAddress::TolerantConversion);
    });
  }
  return names_.contains(host, Qt::CaseInsensitive);
}

}  // namespace web
