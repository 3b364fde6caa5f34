#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "form/panel.hpp"
#include "form/status_line.hpp"
#include "web/stations_offer.hpp"
#include "web/sweep_control.hpp"

namespace web {

class PageSession;
struct Network;

// Serves the tuning page and, over a WebSocket, keeps every open page in step with the panel:
// a page's requests go through the panel as the window's clicks do, and whatever changes the
// panel (the window, a rigctld client, another page) reaches every page at once.
// - The network has a thread of its own; the panel is touched only here, on the panel's thread:
//   requests cross to it as queued calls, its state crosses back as posted messages.
// - Only pages loaded under one of the box's own names are served, and a WebSocket only to
//   its own page (Origin), so that another site open in the same browser cannot tune.
// - With a password, only a browser that gave it holds a session (an HttpOnly, SameSite=Strict
//   cookie); without, anyone who reaches the address may tune.
// - Every size, count and time a stranger controls is limited (web/limits.hpp).
class WebServer : public QObject {
 public:
  // `password`: none where the address is this machine's own loopback and no proxy is before it.
  // `sweep`: the band sweep the pages may start, if any.
  WebServer(form::Panel& panel, form::StatusSource status, std::optional<QByteArray> password,
            SweepControl* sweep = nullptr, StationsOffer stations = {});
  ~WebServer() override;

  // Before listening: a request from the reverse proxy at `address` counts as from the client
  // its X-Forwarded-For names (a stranger's own header is believed from nowhere else).
  void trust_proxy(const std::string& address);
  // Starts listening; on failure returns the reason ("Address already in use").
  std::string listen(const QHostAddress& address, quint16 port);
  // The port listened on: the one the system chose, where listen was given 0.
  quint16 port() const { return port_; }

  int pages() const { return pages_; }

  // Sends every page the panel as it is now, once the current event is over.
  void publish();
  // At once: each step of a sweep's progress reaches the pages, however fast they come.
  void publish_now() { send_state(); }

  // Shows every page, and each that opens later, a sweep's outcome.
  void show_sweep(const SweepOutcome& outcome);

  // Called whenever a page comes or goes.
  void on_pages_changed(std::function<void()> callback) { pages_changed_ = std::move(callback); }

 private:
  void take_request(const std::weak_ptr<PageSession>& page, const std::string& text);
  void pages_now(int pages);
  void send_state();
  void show_stations();

  form::Panel& panel_;
  form::StatusSource status_;
  SweepControl* sweep_;
  StationsOffer stations_;
  // This run's sweeps' numbers begin with it, so that a page left open across a restart fetches
  // the new run's files, not the ones its browser holds under the same number.
  std::string run_;
  std::unique_ptr<Network> network_;
  quint16 port_ = 0;
  int pages_ = 0;
  int sweeps_shown_ = 0;
  std::function<void()> pages_changed_;
  bool publish_pending_ = false;
};

}  // namespace web
