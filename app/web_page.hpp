#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli/options.hpp"
#include "form/panel.hpp"
#include "form/status_line.hpp"
#include "web/stations_offer.hpp"
#include "web/sweep_control.hpp"

namespace app {

// The tuning page for browsers.
class WebPage {
 public:
  virtual ~WebPage() = default;
  // "web page 127.0.0.1:PORT, 1 page open", for the information line.
  virtual std::string status() const = 0;
  // Sends the pages the information line again, after news from outside the panel's events.
  virtual void publish() = 0;
  // At once, however many come in one turn: each step of a sweep's progress.
  virtual void publish_now() = 0;
  // A sweep's outcome, to every page and to each that opens later.
  virtual void show_sweep(const web::SweepOutcome& outcome) = 0;
};

// Serves the page at `endpoint` for `panel`; on another address than the loopback one, or
// behind the reverse proxy at `proxy`, behind the password of its file. `pages_changed` hears of
// pages that come and go; `sweep` and `stations`, if any, are offered to the pages. Returns nothing
// after saying why on standard error.
std::unique_ptr<WebPage> serve_web_page(const cli::Endpoint& endpoint,
                                        const std::optional<std::string>& proxy, form::Panel& panel,
                                        form::StatusSource status,
                                        std::function<void()> pages_changed,
                                        web::SweepControl* sweep, web::StationsOffer stations);

}  // namespace app
