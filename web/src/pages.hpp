#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace web {

class PageSession;

// The open pages, on the network's thread: what the panel publishes goes to each of them, and
// what they ask goes to the panel.
class Pages {
 public:
  struct ToPanel {
    std::function<void(std::weak_ptr<PageSession> page, std::string request)> request;
    std::function<void(int pages)> count_changed;
  };

  // `setup`: what every page is sent first.
  explicit Pages(std::string setup);

  void to_panel(ToPanel to_panel) { to_panel_ = std::move(to_panel); }

  // Whether one more page may open.
  bool room() const;

  // A page is sent the setup on joining; its first state comes from the publishing that the
  // panel does when it hears of the page.
  void join(const std::shared_ptr<PageSession>& page);
  void leave(const PageSession* page);
  // At the end, before the connections' context goes.
  void let_go() { pages_.clear(); }
  void request(const std::shared_ptr<PageSession>& page, std::string text);

  // The panel's state, to every page; once the panel has failed, no more pages open.
  void publish(std::string state, bool panel_failed);

  // What every page is sent again after the setup: the last sweep's outcome, the stations.
  enum class Kept { sweep, stations, count };
  // `message`, to every page and to each that joins later, in place of the last of its kind.
  void keep(Kept kind, std::shared_ptr<const std::string> message);

 private:
  void send_all(const std::shared_ptr<const std::string>& message);

  std::vector<std::shared_ptr<PageSession>> pages_;  // held open here while they are
  std::shared_ptr<const std::string> setup_;
  std::array<std::shared_ptr<const std::string>, static_cast<std::size_t>(Kept::count)> kept_;
  bool panel_failed_ = false;
  ToPanel to_panel_;
};

}  // namespace web
