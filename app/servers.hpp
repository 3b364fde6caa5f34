#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bus/port.hpp"
#include "cli/options.hpp"
#include "form/panel.hpp"
#include "form/status_line.hpp"
#include "lock_monitor.hpp"
#include "page_sweep.hpp"
#include "rigctl_server/panel_tuner.hpp"
#include "rigctl_server/server.hpp"
#include "web/stations_offer.hpp"
#include "web_page.hpp"

namespace app {

// What serves the panel beside its own front end, as the options ask: rigctld, and the web page
// with its sweep where the port reads a lock line.
class Servers {
 public:
  // `stations`: what the web page offers, if any.
  Servers(form::Panel& panel, bus::Port& port, LockMonitor& lock, web::StationsOffer stations = {});

  // Starts them; `status_changed` hears of clients and pages that come and go. False after
  // saying on standard error why one could not start.
  bool start(const cli::Options& options, std::function<void()> status_changed);

  // The information line: the port, the lock, a page's sweep, and who is connected.
  form::StatusSource status();

  // The information line changed outside the panel's events: the window and the pages hear.
  void status_changed();

 private:
  form::Panel& panel_;
  bus::Port& port_;
  LockMonitor& lock_;
  rigctl_server::PanelTuner tuner_;
  rigctl_server::Server rigctld_;
  bool serving_rigctld_ = false;
  std::optional<PageSweep> sweep_;
  web::StationsOffer stations_;
  std::unique_ptr<WebPage> web_;
  std::function<void()> status_changed_;
};

}  // namespace app
