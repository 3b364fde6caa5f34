#pragma once

#include <QObject>
#include <QTcpServer>
#include <functional>

namespace rigctl_server {

// Connects `accept` to the connections `server` takes, as this platform's sockets need.
void take_connections(QTcpServer& server, QObject& receiver, std::function<void()> accept);

}  // namespace rigctl_server
