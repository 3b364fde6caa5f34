#pragma once

#include <QByteArrayView>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace web {

// The names under which a browser may reach this box: a page loaded from any other name (a
// site whose DNS was re-pointed at the box) is refused.
class AllowedHosts {
 public:
  // `names`: host names, compared without regard to case; `addresses`: the box's own.
  AllowedHosts(quint16 port, QStringList names, std::vector<QHostAddress> addresses);

  // The names this machine answers to: localhost, its host name alone and with the suffixes
  // that home networks give (.local, .lan, .home, .home.arpa, .internal), and its addresses.
  static AllowedHosts of_this_machine(quint16 port);

  // Whether a Host header ("box.local:PORT", "[::1]:PORT", "192.168.1.20:PORT") names the box,
  // on its port.
  bool allows(QByteArrayView host_header) const;

 private:
  quint16 port_;
  QStringList names_;
  std::vector<QHostAddress> addresses_;
};

}  // namespace web
