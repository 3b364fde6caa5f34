#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHostAddress>
#include <QHttpServerResponder>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "form/panel.hpp"
#include "form/status_line.hpp"

class QWebSocket;

namespace web {

class AllowedHosts;
class LoginGate;

// Serves the tuning page and, over a WebSocket, keeps every open page in step with the panel:
// a page's requests go through the panel as the window's clicks do, and whatever changes the
// panel (the window, a rigctld client, another page) reaches every page at once.
// - Only pages loaded under one of the box's own names are served, and a WebSocket only to
//   its own page (Origin), so that another site open in the same browser cannot tune.
// - With a password, only a browser that gave it holds a session (an HttpOnly, SameSite=Strict
//   cookie); without, anyone who reaches the address may tune.
class WebServer : public QAbstractHttpServer {
  Q_OBJECT

 public:
  static constexpr int kMaxPages = 16;

  // `password`: none where the address is this machine's own loopback.
  WebServer(form::Panel& panel, form::StatusSource status, std::optional<QByteArray> password);
  ~WebServer() override;

  // Starts listening; on failure returns the reason ("Address already in use").
  std::string listen(const QHostAddress& address, quint16 port);

  int pages() const { return static_cast<int>(pages_.size()); }

  // Sends every page the panel as it is now, once the current event is over.
  void publish();

  // Called whenever a page comes or goes.
  void on_pages_changed(std::function<void()> callback) { pages_changed_ = std::move(callback); }

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

 private:
  using Headers = std::vector<std::pair<QByteArray, QByteArray>>;
  // Every answer carries the headers that keep the page to itself.
  void answer(const QHttpServerRequest& request, QTcpSocket* socket,
              QHttpServerResponder::StatusCode status, const char* type, const QByteArray& body,
              const Headers& headers);
  bool allowed_upgrade(const QHttpServerRequest& request) const;
  void log_in(const QHttpServerRequest& request, QTcpSocket* socket);
  void accept_pages();
  void pages_came_or_went();
  void take_request(QWebSocket& page, const QString& message);
  void send_state();

  form::Panel& panel_;
  form::StatusSource status_;
  std::unique_ptr<LoginGate> gate_;
  std::unique_ptr<AllowedHosts> hosts_;
  std::vector<QWebSocket*> pages_;  // children of the server
  std::function<void()> pages_changed_;
  bool publish_pending_ = false;
};

}  // namespace web
