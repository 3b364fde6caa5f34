#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "rigctl_protocol/receiver.hpp"
#include "rigctl_protocol/session.hpp"

class QTcpSocket;

namespace rigctl_server {

// Serves the rigctld protocol to Hamlib clients. Each request runs to completion inside the
// event loop, like any other event of the window.
// - A client's requests are taken only while it leaves fewer than kMaxUnreadAnswerBytes of its
//   answers unread, so a burst of thousands is answered in full to a client that reads, and one
//   that never reads holds no more than that.
// - Sixteen clients at once. A newcomer beyond them takes the place of the connection whose
//   last request is oldest, if that was longer than the idle limit ago (a connection opened and
//   left silent, or one that stopped reading); else it is turned away. Hamlib's clients poll
//   every second or two, so a minute of silence means nobody is polling there.
// - At most four of them from one address, so that one stranger cannot take every place; the
//   box's own clients (loopback) are not counted.
// - An over-long line ends its connection.
// - When a connection cannot be taken (no file descriptors left), accepting pauses for
//   kAcceptRetry and then resumes, so the server answers again once descriptors come back.
// - Once the port has failed, the program is ending: a tuning answers an I/O error, its client
//   is let go, and nobody is answered any more.
class Server : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxClients = 16;
  // Of those, one address's, the box's own (loopback) not counted.
  static constexpr int kMaxClientsPerAddress = 4;
  static constexpr qint64 kMaxUnreadAnswerBytes = 64 * 1024;
  static constexpr std::chrono::milliseconds kIdleLimit{60'000};
  static constexpr std::chrono::milliseconds kAcceptRetry{250};

  explicit Server(rigctl_protocol::Tuner& tuner, std::chrono::milliseconds idle_limit = kIdleLimit);
  ~Server() override;

  // Starts listening; on failure returns the reason ("Address already in use").
  std::string listen(const QHostAddress& address, quint16 port);

  int clients() const { return static_cast<int>(conversations_.size()); }
  std::string address() const;  // "127.0.0.1:PORT"
  std::string status() const;   // "rigctld 127.0.0.1:PORT, 1 client"

  // Called whenever a client comes or goes.
  void on_clients_changed(std::function<void()> callback) {
    clients_changed_ = std::move(callback);
  }

 private:
  struct Conversation {
    std::unique_ptr<rigctl_protocol::Session> session;
    QElapsedTimer since_request;
  };

  void accept();
  void accept_failed();
  bool make_room();
  // Whether `peer`, not the box itself, holds its share already.
  bool holds_its_share(const QHostAddress& peer) const;
  void serve(QTcpSocket& socket);
  void forget(QTcpSocket* socket);

  rigctl_protocol::Tuner& tuner_;
  rigctl_protocol::Receiver receiver_;
  std::chrono::milliseconds idle_limit_;
  QTcpServer server_;
  std::map<QTcpSocket*, Conversation> conversations_;
  std::function<void()> clients_changed_;
};

}  // namespace rigctl_server
