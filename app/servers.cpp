#include "servers.hpp"

#include "rigctld_start.hpp"

namespace app {

Servers::Servers(form::Panel& panel, bus::Port& port, LockMonitor& lock,
                 web::StationsOffer stations)
    : panel_(panel),
      port_(port),
      lock_(lock),
      tuner_(panel),
      rigctld_(tuner_),
      stations_(std::move(stations)) {
  lock_.on_decided([this](const lock::LockState&) { status_changed(); });
}

bool Servers::start(const cli::Options& options, std::function<void()> status_changed) {
  status_changed_ = std::move(status_changed);
  if (options.rigctld) {
    if (!serve_rigctld(rigctld_, *options.rigctld)) return false;
    serving_rigctld_ = true;
    rigctld_.on_clients_changed([this] { this->status_changed(); });
  }
  if (options.http) {
    if (const auto line = port_.lock_line()) {
      sweep_.emplace(panel_, lock_, *line);
      sweep_->on_progress([this](bool at_once) {
        if (!at_once) return this->status_changed();
        if (status_changed_) status_changed_();
        if (web_) web_->publish_now();
      });
      sweep_->on_finished([this](const web::SweepOutcome& outcome) {
        if (web_) web_->show_sweep(outcome);
      });
    }
    web_ = serve_web_page(*options.http, options.http_proxy, panel_, status(), status_changed_,
                          sweep_ ? &*sweep_ : nullptr, stations_);
    if (!web_) return false;
  }
  return true;
}

void Servers::status_changed() {
  if (status_changed_) status_changed_();
  if (web_) web_->publish();
}

form::StatusSource Servers::status() {
  return [this] {
    std::string text = port_.label();
    std::string tooltip = port_.description();
    if (const auto caveat = port_.lock_line_caveat()) tooltip += "; " + *caveat;
    // The window's line has room for the lock alone.
    std::string brief;
    bool alert = false;
    std::string verdict;
    if (const auto* lock = lock_.state()) {
      const std::string told = lock::describe(*lock);
      if (lock->kind != lock::LockState::Kind::waiting) verdict = told;
      text += " \u00b7 " + told;
      tooltip += "; " + told;
      brief = lock::headline(*lock);
      alert = lock->kind == lock::LockState::Kind::lost;
    }
    if (const auto sweeping = sweep_ ? sweep_->progress() : ""; !sweeping.empty()) {
      text += " \u00b7 " + sweeping;
      tooltip += "; " + sweeping;
    }
    if (serving_rigctld_) tooltip += "; " + rigctld_.status();
    if (web_) tooltip += "; " + web_->status();
    return form::StatusLine{text, tooltip, brief, alert, verdict};
  };
}

}  // namespace app
