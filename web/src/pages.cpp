#include "pages.hpp"

#include <algorithm>

#include "page_session.hpp"
#include "web/limits.hpp"

namespace web {

Pages::Pages(std::string setup) : setup_(std::make_shared<const std::string>(std::move(setup))) {}

bool Pages::room() const { return !panel_failed_ && std::ssize(pages_) < limits::kMaxPages; }

void Pages::join(const std::shared_ptr<PageSession>& page) {
  pages_.push_back(page);
  page->send(setup_);
  for (const auto& message : kept_) {
    if (message) page->send(message);
  }
  if (to_panel_.count_changed) to_panel_.count_changed(static_cast<int>(pages_.size()));
}

void Pages::leave(const PageSession* page) {
  if (std::erase_if(pages_, [page](const auto& open) { return open.get() == page; }) != 0 &&
      to_panel_.count_changed) {
    to_panel_.count_changed(static_cast<int>(pages_.size()));
  }
}

void Pages::request(const std::shared_ptr<PageSession>& page, std::string text) {
  if (to_panel_.request) to_panel_.request(page, std::move(text));
}

void Pages::publish(std::string state, bool panel_failed) {
  panel_failed_ = panel_failed;
  send_all(std::make_shared<const std::string>(std::move(state)));
}

void Pages::keep(Kept kind, std::shared_ptr<const std::string> message) {
  kept_[static_cast<std::size_t>(kind)] = message;
  send_all(message);
}

void Pages::send_all(const std::shared_ptr<const std::string>& message) {
  // A page that has fallen too far behind leaves while this goes round.
  const auto pages = pages_;
  for (const auto& page : pages) page->send(message);
}

}  // namespace web
