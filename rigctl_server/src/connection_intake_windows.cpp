#include "connection_intake.hpp"

namespace rigctl_server {

void take_connections(QTcpServer& server, QObject& receiver, std::function<void()> accept) {
  // Taken at once, in Qt's accept loop: Windows' sockets report a waiting connection once, and
  // one left queued while Qt's notifier was off is never taken (seen under Wine). Their number is
  // not limited as Linux's descriptors are, so the failure that pacing avoids there is not met.
  QObject::connect(&server, &QTcpServer::newConnection, &receiver, std::move(accept));
}

}  // namespace rigctl_server
