#include "connection_intake.hpp"

namespace rigctl_server {

void take_connections(QTcpServer& server, QObject& receiver, std::function<void()> accept) {
  // Qt keeps a listening socket's first error for good. Once that is "try again later", as at
  // the end of any batch of connections, a later lack of descriptors passes for it: Qt neither
  // pauses nor reports it, and retries at every turn of the event loop. So Qt holds at most one
  // accepted connection, taken once its accept loop has returned (taken inside it, the loop
  // would go on until the queue is empty): it accepts only when a connection waits, and fails
  // only for a real reason, which it reports.
  server.setMaxPendingConnections(1);
  QObject::connect(&server, &QTcpServer::newConnection, &receiver, std::move(accept),
                   Qt::QueuedConnection);
}

}  // namespace rigctl_server
