#include "servers.hpp"

#include "rigctld_start.hpp"

namespace app {

Servers::Servers(form::Panel& panel, bus::Port& port)
    : panel_(panel), port_(port), tuner_(panel), rigctld_(tuner_) {}

bool Servers::start(const cli::Options& options, std::function<void()> status_changed) {
  status_changed_ = std::move(status_changed);
  if (options.rigctld) {
    if (!serve_rigctld(rigctld_, *options.rigctld)) return false;
    serving_rigctld_ = true;
    rigctld_.on_clients_changed([this] { this->status_changed(); });
  }
  if (options.http) {
    web_ = serve_web_page(*options.http, panel_, status(), status_changed_);
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
    if (const auto lock = lock_text_ ? lock_text_() : std::nullopt) {
      text += " \u00b7 " + *lock;
      tooltip += "; " + *lock;
    }
    if (serving_rigctld_) tooltip += "; " + rigctld_.status();
    if (web_) tooltip += "; " + web_->status();
    return form::StatusLine{text, tooltip};
  };
}

}  // namespace app
