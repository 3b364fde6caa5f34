#pragma once

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>
#include <deque>
#include <memory>
#include <string>

#include "answers.hpp"
#include "site.hpp"

namespace web {

// One open page's WebSocket: its requests go to the panel, the panel's messages come to it in
// order. A page that stops reading or answering pings is dropped, not waited for.
class PageSession : public std::enable_shared_from_this<PageSession> {
 public:
  PageSession(boost::beast::tcp_stream stream, Site& site);
  PageSession(const PageSession&) = delete;
  PageSession& operator=(const PageSession&) = delete;

  // Completes the upgrade that `request` asked for; `early` is what the page sent after the
  // request without waiting for the answer, its first frames.
  void start(const Request& request, const std::string& early);

  void send(std::shared_ptr<const std::string> message);

  // Reads the page's next request, once the panel has taken the last: a page that asks faster
  // than the panel tunes waits in its socket, not in memory.
  void read();

 private:
  void write();
  // Closes the page and lets it go; the last of its handlers then frees it.
  void drop();

  // Without permessage-deflate, which the page never asks for: no zlib in the program.
  boost::beast::websocket::stream<boost::beast::tcp_stream, false> socket_;
  boost::beast::flat_buffer buffer_;
  std::deque<std::shared_ptr<const std::string>> unsent_;
  std::size_t unsent_bytes_ = 0;
  bool open_ = false;
  Site& site_;
};

}  // namespace web
