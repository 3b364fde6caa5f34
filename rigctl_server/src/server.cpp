#include "rigctl_server/server.hpp"

#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

#include "connection_intake.hpp"

namespace rigctl_server {

namespace {

// Requests are taken a slice at a time, so that the answers to a burst never run far ahead of
// what the client reads.
constexpr qint64 kRequestSlice = 1024;

}  // namespace

Server::Server(rigctl_protocol::Tuner& tuner, std::chrono::milliseconds idle_limit)
    : tuner_(tuner), receiver_(tuner), idle_limit_(idle_limit) {
  take_connections(server_, *this, [this] { accept(); });
  connect(&server_, &QTcpServer::acceptError, this, &Server::accept_failed);
}

Server::~Server() {
  // The sockets are the listening server's children, so they would outlive the callback and the
  // conversations that their handlers call into: end every conversation first.
  server_.close();
  for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>()) {
    socket->disconnect();
    socket->flush();
    socket->close();
    delete socket;
  }
}

std::string Server::listen(const QHostAddress& address, quint16 port) {
  if (server_.listen(address, port)) return "";
  return server_.errorString().toStdString();
}

std::string Server::address() const {
  const QHostAddress host = server_.serverAddress();
  const QString text = host.protocol() == QAbstractSocket::IPv6Protocol
                           ? "[" + host.toString() + "]"
                           : host.toString();
  return (text + ":" + QString::number(server_.serverPort())).toStdString();
}

std::string Server::status() const {
  return "rigctld " + address() + ", " + std::to_string(clients()) +
         (clients() == 1 ? " client" : " clients");
}

void Server::accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (tuner_.failed() || holds_its_share(socket->peerAddress()) ||
        (clients() >= kMaxClients && !make_room())) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    // Unread requests wait in the kernel, which holds the client back.
    socket->setReadBufferSize(kRequestSlice);
    Conversation& conversation = conversations_[socket];
    conversation.session = std::make_unique<rigctl_protocol::Session>(receiver_);
    conversation.since_request.start();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(*socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { serve(*socket); });
    if (clients_changed_) clients_changed_();
  }
}

void Server::accept_failed() {
  // Qt pauses accepting at a failed accept (no descriptor left) and never resumes by itself.
  // The connection stays queued, so resuming at once would spin on the same failure until a
  // descriptor is freed: resume after a pause instead.
  server_.pauseAccepting();
  QTimer::singleShot(kAcceptRetry, this, [this] { server_.resumeAccepting(); });
}

bool Server::holds_its_share(const QHostAddress& peer) const {
  if (peer.isLoopback()) return false;
  return std::ranges::count_if(conversations_, [&peer](const auto& conversation) {
           return conversation.first->peerAddress().isEqual(peer, QHostAddress::TolerantConversion);
         }) >= kMaxClientsPerAddress;
}

bool Server::make_room() {
  const auto stalest = std::max_element(
      conversations_.begin(), conversations_.end(), [](const auto& left, const auto& right) {
        return left.second.since_request.elapsed() < right.second.since_request.elapsed();
      });
  if (stalest->second.since_request.elapsed() <= idle_limit_.count()) return false;
  QTcpSocket* idle = stalest->first;
  idle->disconnect(this);
  forget(idle);
  idle->abort();
  idle->deleteLater();
  return true;
}

void Server::serve(QTcpSocket& socket) {
  Conversation& conversation = conversations_.at(&socket);
  while (socket.state() == QAbstractSocket::ConnectedState && socket.bytesAvailable() > 0 &&
         socket.bytesToWrite() < kMaxUnreadAnswerBytes) {
    if (tuner_.failed()) {
      socket.disconnectFromHost();
      return;
    }
    const QByteArray bytes = socket.read(kRequestSlice);
    conversation.since_request.start();
    const auto output =
        conversation.session->feed(std::string_view(bytes.constData(), bytes.size()));
    socket.write(output.answer.data(), static_cast<qint64>(output.answer.size()));
    // Into the kernel now: a client that has half-closed after its requests would otherwise lose
    // the answers, which Qt drops when it reads the end of the stream.
    socket.flush();
    if (output.close || tuner_.failed()) socket.disconnectFromHost();
  }
}

void Server::forget(QTcpSocket* socket) {
  if (conversations_.erase(socket) != 0 && clients_changed_) clients_changed_();
}

}  // namespace rigctl_server
