#include "web/web_server.hpp"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>
#include <array>
#include <utility>
#include <vector>

#include "page_messages.hpp"
#include "web/allowed_hosts.hpp"
#include "web/login_gate.hpp"

namespace web {

namespace {

using Status = QHttpServerResponder::StatusCode;

// Nothing but the page's own files runs or loads, and no other site may frame it.
constexpr std::array<std::pair<const char*, const char*>, 5> kEveryAnswer{{
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
     "connect-src 'self'; form-action 'self'; base-uri 'none'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
    {"X-Frame-Options", "DENY"},
}};

struct PageFile {
  const char* path;
  const char* resource;
  const char* type;
};
constexpr std::array<PageFile, 4> kFiles{{
    {"/page.css", ":/web/page.css", "text/css; charset=utf-8"},
    {"/page.js", ":/web/page.js", "text/javascript; charset=utf-8"},
    {"/login.js", ":/web/login.js", "text/javascript; charset=utf-8"},
    {"/icon.svg", ":/web/icon.svg", "image/svg+xml"},
}};
constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";
constexpr const char* kSocketPath = "/socket";

// A page sends short requests; anything longer is not one of them.
constexpr qint64 kMaxRequestBytes = 4096;

QByteArray resource(const char* name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool is_upgrade(const QHttpServerRequest& request) {
  return request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

// A browser says where a request comes from; the page's own origin is http:// and its host.
bool from_own_page(const QHttpServerRequest& request) {
  return request.value("origin") == "http://" + request.value("host");
}

QByteArray password_of(const QHttpServerRequest& request) {
  // Forms encode a space as '+', which QUrlQuery leaves as it is.
  QByteArray body = request.body();
  body.replace('+', "%20");
  return QUrlQuery(QString::fromLatin1(body))
      .queryItemValue("password", QUrl::FullyDecoded)
      .toUtf8();
}

}  // namespace

WebServer::WebServer(form::Panel& panel, form::StatusSource status,
                     std::optional<QByteArray> password)
    : panel_(panel),
      status_(std::move(status)),
      gate_(std::make_unique<LoginGate>(std::move(password))) {
  // Qt warns of every refused WebSocket: a stranger could fill the log with them.
  QLoggingCategory::setFilterRules("qt.httpserver.warning=false");
  connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &WebServer::accept_pages);
  panel_.on_event_done([this] { publish(); });
}

WebServer::~WebServer() {
  // The pages are children, deleted after this part of the server is gone.
  for (QWebSocket* page : pages_) {
    page->disconnect(this);
    page->close(QWebSocketProtocol::CloseCodeGoingAway);
  }
}

std::string WebServer::listen(const QHostAddress& address, quint16 port) {
  auto listener = std::make_unique<QTcpServer>();
  if (!listener->listen(address, port)) return listener->errorString().toStdString();
  hosts_ = std::make_unique<AllowedHosts>(AllowedHosts::of_this_machine(listener->serverPort()));
  bind(listener.release());
  return "";
}

void WebServer::publish() {
  if (publish_pending_) return;
  // Once per turn of the event loop, however many events a burst of requests runs.
  publish_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    publish_pending_ = false;
    send_state();
  });
}

bool WebServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  // A refused upgrade is answered by missingHandler.
  if (is_upgrade(request)) return allowed_upgrade(request);

  const auto respond = [&](Status status, const char* type, const QByteArray& body,
                           const Headers& headers = {}) {
    answer(request, socket, status, type, body, headers);
  };
  if (!hosts_ || !hosts_->allows(request.value("host"))) {
    respond(Status::MisdirectedRequest, kText,
            "This page is served only under the box's own names.\n");
    return true;
  }
  const QString path = request.url().path();
  const bool get = request.method() == QHttpServerRequest::Method::Get;
  if (path == "/login" && request.method() == QHttpServerRequest::Method::Post) {
    log_in(request, socket);
    return true;
  }
  if (get && path == "/") {
    const bool admitted = gate_->admits(request.value("cookie"));
    respond(Status::Ok, kHtml, resource(admitted ? ":/web/index.html" : ":/web/login.html"));
    return true;
  }
  for (const auto& file : kFiles) {
    if (get && path == file.path)
      return respond(Status::Ok, file.type, resource(file.resource)), true;
  }
  respond(Status::NotFound, kText, "Not found.\n");
  return true;
}

void WebServer::log_in(const QHttpServerRequest& request, QTcpSocket* socket) {
  if (!gate_->needs_password()) {
    return answer(request, socket, Status::NotFound, kText, "No password here.\n", {});
  }
  if (request.value("origin").size() > 0 && !from_own_page(request)) {
    return answer(request, socket, Status::Forbidden, kText, "Log in from the box's own page.\n",
                  {});
  }
  const auto attempt = gate_->log_in(password_of(request), LoginGate::Clock::now());
  const QByteArray wait = QByteArray::number(static_cast<qint64>(attempt.wait.count()));
  switch (attempt.outcome) {
    case LoginGate::Outcome::kAccepted:
      return answer(request, socket, Status::NoContent, kText, {},
                    {{"Set-Cookie", QByteArray(LoginGate::kCookieName) + "=" + attempt.session +
                                        "; Path=/; HttpOnly; SameSite=Strict"}});
    case LoginGate::Outcome::kWrong:
      return answer(request, socket, Status::Unauthorized, kText, "Wrong password.\n",
                    {{"Retry-After", wait}});
    case LoginGate::Outcome::kTooSoon:
      return answer(request, socket, Status::TooManyRequests, kText,
                    "Too soon after a wrong password.\n", {{"Retry-After", wait}});
  }
}

bool WebServer::allowed_upgrade(const QHttpServerRequest& request) const {
  return hosts_ && hosts_->allows(request.value("host")) && from_own_page(request) &&
         request.url().path() == kSocketPath && gate_->admits(request.value("cookie")) &&
         pages() < kMaxPages && !panel_.failed();
}

void WebServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  answer(request, socket, Status::Forbidden, kText, "Not allowed.\n", {});
}

void WebServer::answer(const QHttpServerRequest& request, QTcpSocket* socket,
                       QHttpServerResponder::StatusCode status, const char* type,
                       const QByteArray& body, const Headers& headers) {
  QHttpServerResponder responder = makeResponder(request, socket);
  responder.writeStatusLine(status);
  for (const auto& [name, value] : kEveryAnswer) responder.writeHeader(name, value);
  for (const auto& [name, value] : headers) responder.writeHeader(name, value);
  responder.writeHeader("Content-Type", type);
  responder.writeHeader("Content-Length", QByteArray::number(body.size()));
  responder.writeBody(body);
}

void WebServer::accept_pages() {
  while (QWebSocket* page = nextPendingWebSocketConnection().release()) {
    page->setParent(this);
    page->setMaxAllowedIncomingMessageSize(kMaxRequestBytes);
    page->setMaxAllowedIncomingFrameSize(kMaxRequestBytes);
    connect(page, &QWebSocket::textMessageReceived, this,
            [this, page](const QString& message) { take_request(*page, message); });
    connect(page, &QWebSocket::disconnected, this, [this, page] {
      std::erase(pages_, page);
      page->deleteLater();
      pages_came_or_went();
    });
    pages_.push_back(page);
    // Its first state comes with every other page's, from the publishing below.
    page->sendTextMessage(QJsonDocument(setup_message()).toJson(QJsonDocument::Compact));
    pages_came_or_went();
  }
}

void WebServer::pages_came_or_went() {
  if (pages_changed_) pages_changed_();
  publish();
}

void WebServer::take_request(QWebSocket& page, const QString& message) {
  const QJsonDocument request = QJsonDocument::fromJson(message.toUtf8());
  if (!request.isObject()) return;
  if (const auto refusal = carry_out(panel_, request.object())) {
    page.sendTextMessage(QJsonDocument(refusal_message(*refusal)).toJson(QJsonDocument::Compact));
  }
}

void WebServer::send_state() {
  if (pages_.empty()) return;
  const form::StatusLine status = status_ ? status_() : form::StatusLine{};
  const QString text = QString::fromUtf8(
      QJsonDocument(state_message(panel_.controls(), status)).toJson(QJsonDocument::Compact));
  for (QWebSocket* page : pages_) page->sendTextMessage(text);
}

}  // namespace web
