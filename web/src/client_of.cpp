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

}  // namespace web
