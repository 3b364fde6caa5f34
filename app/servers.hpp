#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bus/port.hpp"
#include "cli/options.hpp"
#include "form/panel.hpp"
#include "form/status_line.hpp"
#include "rigctl_server/panel_tuner.hpp"
#include "rigctl_server/server.hpp"
#include "web_page.hpp"

namespace app {

// What serves the panel beside its own front end, as the options ask: rigctld and the web page.
class Servers {
 public:
  Servers(form::Panel& panel, bus::Port& port);

  // Starts them; `status_changed` hears of clients and pages that come and go. False after
  // saying on standard error why one could not start.
  bool start(const cli::Options& options, std::function<void()> status_changed);

  // The information line: the port, the lock, and who is connected.
  form::StatusSource status();

  // What the information line says of the lock, asked with the rest of it.
  void show_lock(std::function<std::optional<std::string>()> lock_text) {
    lock_text_ = std::move(lock_text);
  }

  // The information line changed outside the panel's events: the window and the pages hear.
  void status_changed();

 private:
  form::Panel& panel_;
  bus::Port& port_;
  rigctl_server::PanelTuner tuner_;
  rigctl_server::Server rigctld_;
  bool serving_rigctld_ = false;
  std::unique_ptr<WebPage> web_;
  std::function<void()> status_changed_;
  std::function<std::optional<std::string>()> lock_text_;
};

}  // namespace app
