#include "http_session.hpp"

#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/rfc7230.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include "client_of.hpp"
#include "page_session.hpp"
#include "pages.hpp"
#include "web/limits.hpp"

namespace web {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;

// Room for a whole request at its limits, and one more pipelined behind it.
constexpr std::size_t kBufferBytes = 2 * (limits::kMaxHeaderBytes + limits::kMaxBodyBytes);

// Whatever the parser refused, as against a connection that closed or went quiet.
bool is_malformed(beast::error_code error) {
  return error.category() == http::make_error_code(http::error::bad_target).category() &&
         error != http::error::end_of_stream && error != http::error::partial_message;
}

// A Transfer-Encoding that does not end in chunked leaves a request's length unknown (RFC 9112,
// 6.3), though the parser then takes it as bodiless and would read its body as the next request.
bool unframed(const Request& request) {
  const auto codings = request[http::field::transfer_encoding];
  if (codings.empty()) return false;
  std::string_view last;
  for (const auto coding : http::token_list{codings}) last = coding;
  return !beast::iequals(last, "chunked");
}

}  // namespace

HttpSession::HttpSession(boost::asio::ip::tcp::socket socket, Site& site, std::string client)
    : stream_(std::move(socket)), buffer_(kBufferBytes), site_(site), client_(std::move(client)) {
  ++site_.connections;
  if (!client_.empty()) ++site_.held[client_];
}

HttpSession::~HttpSession() {
  stop_idling();
  --site_.connections;
  if (!client_.empty() && --site_.held[client_] == 0) site_.held.erase(client_);
}

void HttpSession::let_go() {
  stop_idling();
  beast::error_code ignored;
  stream_.socket().close(ignored);
}

void HttpSession::stop_idling() {
  if (idling_) site_.idle.erase(*idling_);
  idling_.reset();
}

void HttpSession::start() {
  // The first request's time runs from the connection.
  stream_.expires_after(limits::kRequestTime);
  read_request();
}

void HttpSession::await_request() {
  if (buffer_.size() > 0) {
    stream_.expires_after(limits::kRequestTime);
    return read_request();
  }
  stream_.expires_after(limits::kIdleTime);
  idling_ = site_.idle.insert(site_.idle.end(), weak_from_this());
  stream_.async_read_some(buffer_.prepare(limits::kMaxHeaderBytes),
                          [self = shared_from_this()](beast::error_code error, std::size_t bytes) {
                            self->stop_idling();
                            if (error) return;
                            self->buffer_.commit(bytes);
                            self->stream_.expires_after(limits::kRequestTime);
                            self->read_request();
                          });
}

void HttpSession::read_request() {
  parser_.emplace();
  parser_->header_limit(limits::kMaxHeaderBytes);
  parser_->body_limit(limits::kMaxBodyBytes);
  http::async_read(
      stream_, buffer_, *parser_,
      [self = shared_from_this()](beast::error_code error, std::size_t) { self->on_read(error); });
}

void HttpSession::on_read(beast::error_code error) {
  const unsigned version = parser_->get().version();
  if (error == http::error::header_limit || error == http::error::buffer_overflow) {
    return answer(Answers::refusal(http::status::request_header_fields_too_large), version, false);
  }
  if (error == http::error::body_limit) {
    return answer(Answers::refusal(http::status::payload_too_large), version, false);
  }
  if (is_malformed(error) || (!error && unframed(parser_->get()))) {
    return answer(Answers::refusal(http::status::bad_request), version, false);
  }
  if (error) return;  // closed, or too slow: the stream closes with the session
  Request request = parser_->release();
  if (!beast::websocket::is_upgrade(request)) {
    beast::error_code unknown;
    const auto peer = stream_.socket().remote_endpoint(unknown).address().to_string();
    std::string_view forwarded_for;
    const auto [first, end] = request.equal_range("X-Forwarded-For");
    for (auto field = first; field != end; ++field) forwarded_for = field->value();  // the proxy's

    return answer(site_.answers.to(request, requester(peer, forwarded_for, site_.proxy)), version,
                  request.keep_alive(), request.method() == http::verb::head);
  }
  if (!site_.pages.room() || !site_.answers.admits_page(request)) {
    return answer(Answers::refusal(http::status::forbidden), version, false);
  }
  const std::string early = beast::buffers_to_string(buffer_.data());
  std::make_shared<PageSession>(std::move(stream_), site_)->start(request, early);
}

void HttpSession::answer(const Answer& answer, unsigned version, bool keep_alive, bool head) {
  response_ = response(answer, version, keep_alive);
  // A HEAD is answered as the GET would be, its length given, without the body.
  if (head) response_.body().clear();
  stream_.expires_after(limits::kRequestTime);
  http::async_write(stream_, response_,
                    [self = shared_from_this(), keep_alive](beast::error_code error, std::size_t) {
                      self->on_written(keep_alive, error);
                    });
}

void HttpSession::on_written(bool keep_alive, beast::error_code error) {
  if (error) return;
  if (!keep_alive) {
    stream_.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_send, error);
    return;
  }
  await_request();
}

}  // namespace web
