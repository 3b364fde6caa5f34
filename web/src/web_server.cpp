#include "web/web_server.hpp"

#include <QDateTime>
#include <QJsonDocument>
#include <QTimer>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <exception>
#include <iostream>
#include <thread>

#include "answers.hpp"
#include "listener.hpp"
#include "page_messages.hpp"
#include "page_session.hpp"
#include "pages.hpp"
#include "site.hpp"
#include "web/allowed_hosts.hpp"

namespace web {

namespace {

std::string compact(const QJsonObject& message) {
  return QJsonDocument(message).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

// Everything on the network's thread. Destroyed in reverse: the thread is stopped first, then the
// connections go with the context while the pages and the answers they use are still there.
struct Network {
  Network(std::optional<QByteArray> password, bool sweep)
      : answers(std::move(password)), pages(compact(setup_message(sweep))) {}

  void run() {
    while (true) {
      try {
        context.run();
        return;
      } catch (const std::exception& error) {
        // One connection's failure (out of memory) is not the page's end.
        std::cerr << "web page: " << error.what() << std::endl;
      }
    }
  }

  Answers answers;
  Pages pages;
  Site site{answers, pages, 0, {}, {}, {}};
  boost::asio::io_context context{1};
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> keep_running{
      context.get_executor()};
  Listener listener{context, site};
  std::thread thread;
};

WebServer::WebServer(form::Panel& panel, form::StatusSource status,
                     std::optional<QByteArray> password, SweepControl* sweep,
                     StationsOffer stations)
    : panel_(panel),
      status_(std::move(status)),
      sweep_(sweep),
      stations_(std::move(stations)),
      run_(QString::number(QDateTime::currentMSecsSinceEpoch(), 36).toStdString()),
      network_(std::make_unique<Network>(password, sweep != nullptr)) {
  panel_.on_event_done([this] { publish(); });
  if (stations_.list) show_stations();
}

WebServer::~WebServer() {
  network_->context.stop();
  if (network_->thread.joinable()) network_->thread.join();
  // The connections that go with the context must not call back into this half-destroyed server.
  network_->pages.to_panel({});
  network_->pages.let_go();
}

void WebServer::trust_proxy(const std::string& address) {
  network_->site.proxy = QHostAddress(QString::fromStdString(address));
}

std::string WebServer::listen(const QHostAddress& address, quint16 port) {
  boost::system::error_code error;
  const auto ip = boost::asio::ip::make_address(address.toString().toStdString(), error);
  if (error) return error.message();
  const std::string failure = network_->listener.listen({ip, port});
  if (!failure.empty()) return failure;
  port_ = network_->listener.port();
  network_->answers.serve_under(AllowedHosts::of_this_machine(port_));
  network_->pages.to_panel(
      {.request =
           [this](std::weak_ptr<PageSession> page, std::string text) {
             QMetaObject::invokeMethod(
                 this, [this, page, text] { take_request(page, text); }, Qt::QueuedConnection);
           },
       .count_changed =
           [this](int pages) {
             QMetaObject::invokeMethod(
                 this, [this, pages] { pages_now(pages); }, Qt::QueuedConnection);
           }});
  network_->listener.accept();
  network_->thread = std::thread([network = network_.get()] { network->run(); });
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

void WebServer::show_sweep(const SweepOutcome& outcome) {
  // Its rows and plot go by HTTP: a flapping line's plot can outgrow what a page may leave
  // unread on its socket.
  auto message = std::make_shared<const std::string>(
      compact(sweep_message(outcome, run_ + "-" + std::to_string(++sweeps_shown_))));
  boost::asio::post(network_->context, [network = network_.get(), message, csv = outcome.csv,
                                        svg = outcome.svg]() mutable {
    network->answers.keep_sweep(std::move(csv), std::move(svg));
    network->pages.keep(Pages::Kept::sweep, std::move(message));
  });
}

void WebServer::show_stations() {
  auto message =
      std::make_shared<const std::string>(compact(stations_message(stations_.list->list())));
  boost::asio::post(network_->context, [network = network_.get(), message,
                                        csv = state::format_stations(stations_.list->list())] {
    network->answers.keep_stations(csv);
    network->pages.keep(Pages::Kept::stations, message);
  });
}

void WebServer::pages_now(int pages) {
  pages_ = pages;
  if (pages_changed_) pages_changed_();
  publish();
}

void WebServer::take_request(const std::weak_ptr<PageSession>& page, const std::string& text) {
  const QJsonDocument request = QJsonDocument::fromJson(QByteArray::fromStdString(text));
  const Outcome outcome =
      request.isObject() ? carry_out(panel_, sweep_, stations_.list, request.object()) : Outcome{};
  if (outcome.stations_changed) {
    show_stations();
    if (stations_.changed) stations_.changed();
  }
  auto message =
      outcome.refusal
          ? std::make_shared<const std::string>(compact(refusal_message(*outcome.refusal)))
          : nullptr;
  boost::asio::post(network_->context, [page, message] {
    const auto open = page.lock();
    if (!open) return;
    if (message) open->send(message);
    open->read();
  });
}

void WebServer::send_state() {
  // Nobody to send it to: a page that opens asks for it (pages_now). A failure still crosses,
  // so that no page opens after it.
  if (pages_ == 0 && !panel_.failed()) return;
  const form::StatusLine status = status_ ? status_() : form::StatusLine{};
  std::string state =
      compact(state_message(panel_.form().state(), panel_.controls(), status, sweep_));
  boost::asio::post(network_->context,
                    [network = network_.get(), state = std::move(state), failed = panel_.failed()] {
                      network->pages.publish(state, failed);
                    });
}

}  // namespace web
