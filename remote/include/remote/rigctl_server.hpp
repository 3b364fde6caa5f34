#pragma once

#include <QObject>
#include <QTcpServer>
#include <functional>
#include <string>

#include "rigctl/receiver.hpp"

namespace remote {

// Serves the rigctld protocol to Hamlib clients. Each request runs to completion inside the
// event loop, like any other event of the window. A client that sends an over-long line, does
// not read its answers, or would be the seventeenth at once is disconnected.
class RigctlServer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxClients = 16;
  static constexpr qint64 kMaxUnreadAnswerBytes = 64 * 1024;

  explicit RigctlServer(rigctl::Tuner& tuner, QObject* parent = nullptr);
  ~RigctlServer() override;

  // Starts listening; on failure returns the reason ("Address already in use").
  std::string listen(const QHostAddress& address, quint16 port);

  int clients() const { return clients_; }
  std::string address() const;  // "127.0.0.1:4532"
  std::string status() const;   // "rigctld 127.0.0.1:4532, 1 client"

  // Called whenever a client comes or goes.
  void on_clients_changed(std::function<void()> callback) {
    clients_changed_ = std::move(callback);
  }

 private:
  void accept();
  void set_clients(int clients);

  rigctl::Receiver receiver_;
  QTcpServer server_;
  int clients_ = 0;
  std::function<void()> clients_changed_;
};

}  // namespace remote
