#pragma once

#include <QByteArrayView>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

namespace web {

// The names under which a browser may reach this box: a page loaded from any other name (a
// site whose DNS was re-pointed at the box) is refused.
class AllowedHosts {
 public:
  // `names`: host names, compared without regard to case; `addresses`: the box's own, asked
  // each time an address is named.
  using Addresses = std::function<std::vector<QHostAddress>()>;
  AllowedHosts(quint16 port, QStringList names, Addresses addresses);

  // The names this machine answers to: localhost, its host name alone and with the suffixes
  // that home networks give (.local, .lan, .home, .home.arpa, .internal), and the addresses it
  // has at the time (a Wi-Fi address that comes after the start among them).
  static AllowedHosts of_this_machine(quint16 port);

  // Whether a Host header ("box.local:PORT", "[::1]:PORT", "192.168.1.20:PORT") names the box,
  // on its port.
  bool allows(QByteArrayView host_header) const;

  // Whether an authority ("box.local", "box.local:8443") names the box, on any port: the name a
  // TLS proxy in front of the page is reached under.
  bool names_box(QByteArrayView authority) const;

 private:
  struct Authority {
    QString host;
    std::optional<quint16> port;
  };
  static std::optional<Authority> split(QByteArrayView authority);
  bool is_own(QString host) const;

  quint16 port_;
  QStringList names_;
  Addresses addresses_;
};

}  // namespace web
