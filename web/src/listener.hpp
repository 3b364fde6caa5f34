#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <string>

#include "site.hpp"

namespace web {

// Takes the connections to the page's port, at most kMaxConnections at once and
// kMaxConnectionsPerClient of one client's; beyond the first, one kept alive between requests
// gives way, the longest idle first. When an accept fails (no descriptors left), it waits a
// moment and tries again: it neither stops nor spins.
class Listener {
 public:
  Listener(boost::asio::io_context& context, Site& site);

  // On failure returns the reason ("Address already in use").
  std::string listen(const boost::asio::ip::tcp::endpoint& endpoint);
  unsigned short port() const;

  void accept();

 private:
  void on_accepted(boost::system::error_code error, boost::asio::ip::tcp::socket socket);

  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::steady_timer retry_;
  Site& site_;
};

}  // namespace web
