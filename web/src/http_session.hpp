#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <chrono>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "answers.hpp"
#include "site.hpp"

namespace web {

// One HTTP connection, from its first byte until it closes or becomes a page's WebSocket: each
// request read whole within its limits, answered, and the next awaited while it is kept alive.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  // `client`: whose share it counts in; empty, none.
  HttpSession(boost::asio::ip::tcp::socket socket, Site& site, std::string client);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  void start();
  // Closed, as one idle between requests when another needs the room.
  void let_go();

 private:
  void await_request();
  void read_request();
  void on_read(boost::beast::error_code error);
  void answer(const Answer& answer, unsigned version, bool keep_alive, bool head = false);
  void on_written(bool keep_alive, boost::beast::error_code error);

  boost::beast::tcp_stream stream_;
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> parser_;
  void stop_idling();

  Response response_;
  Site& site_;
  std::string client_;
  std::optional<std::list<std::weak_ptr<HttpSession>>::iterator> idling_;
};

}  // namespace web
