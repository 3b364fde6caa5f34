#include "client_of.hpp"

#include <QHostAddress>
#include <algorithm>

namespace web {

std::string client_of(const std::string& address) {
  const QHostAddress host(QString::fromStdString(address));
  bool mapped = false;
  const quint32 ipv4 = host.toIPv4Address(&mapped);
  if (mapped) return QHostAddress(ipv4).toString().toStdString();
  if (host.protocol() != QAbstractSocket::IPv6Protocol) return address;
  Q_IPV6ADDR bytes = host.toIPv6Address();
  std::fill(std::begin(bytes.c) + 8, std::end(bytes.c), 0);
  return QHostAddress(bytes).toString().toStdString() + "/64";
}

bool is_own_machine(const std::string& address) {
  return QHostAddress(QString::fromStdString(client_of(address))).isLoopback();
}

std::string requester(const std::string& peer, std::string_view forwarded_for,
                      const std::optional<QHostAddress>& proxy) {
  if (!proxy || !QHostAddress(QString::fromStdString(peer))
                     .isEqual(*proxy, QHostAddress::TolerantConversion)) {
    return peer;
  }
  const auto comma = forwarded_for.rfind(',');
  const QString last =
      QString::fromUtf8(forwarded_for.substr(comma == std::string_view::npos ? 0 : comma + 1))
          .trimmed();
  const QHostAddress client(last);
  return client.isNull() ? peer : client.toString().toStdString();
}

}  // namespace web
