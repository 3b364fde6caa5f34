#include "remote/rigctl_server.hpp"

#include <QTcpSocket>
#include <memory>

#include "rigctl/session.hpp"

namespace remote {

RigctlServer::RigctlServer(rigctl::Tuner& tuner, QObject* parent)
    : QObject(parent), receiver_(tuner) {
  connect(&server_, &QTcpServer::newConnection, this, &RigctlServer::accept);
}

RigctlServer::~RigctlServer() {
  // The sockets are the listening server's children, so they would outlive the callback and the
  // clients count that their handlers call into: end every conversation first.
  server_.close();
  for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>()) {
    socket->disconnect();
    socket->flush();
    socket->close();
    delete socket;
  }
}

std::string RigctlServer::listen(const QHostAddress& address, quint16 port) {
  if (server_.listen(address, port)) return "";
  return server_.errorString().toStdString();
}

std::string RigctlServer::address() const {
  const QHostAddress host = server_.serverAddress();
  const QString text = host.protocol() == QAbstractSocket::IPv6Protocol
                           ? "[" + host.toString() + "]"
                           : host.toString();
  return (text + ":" + QString::number(server_.serverPort())).toStdString();
}

std::string RigctlServer::status() const {
  return "rigctld " + address() + ", " + std::to_string(clients_) +
         (clients_ == 1 ? " client" : " clients");
}

void RigctlServer::set_clients(int clients) {
  clients_ = clients;
  if (clients_changed_) clients_changed_();
}

void RigctlServer::accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (clients_ >= kMaxClients) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    set_clients(clients_ + 1);
    auto session = std::make_shared<rigctl::Session>(receiver_);
    connect(socket, &QObject::destroyed, this, [this] { set_clients(clients_ - 1); });
    connect(socket, &QTcpSocket::readyRead, socket, [socket, session] {
      const QByteArray bytes = socket->readAll();
      const auto output = session->feed(std::string_view(bytes.constData(), bytes.size()));
      socket->write(output.answer.data(), static_cast<qint64>(output.answer.size()));
      if (socket->bytesToWrite() > kMaxUnreadAnswerBytes) {
        socket->abort();  // it does not read what it asks for
      } else if (output.close) {
        socket->disconnectFromHost();
      }
    });
  }
}

}  // namespace remote
