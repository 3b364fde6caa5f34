#include "page_session.hpp"

#include <boost/asio/buffer.hpp>
#include <boost/asio/socket_base.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/field.hpp>
#include <boost/beast/http/write.hpp>
#include <sstream>

#include "pages.hpp"
#include "web/limits.hpp"

namespace web {

namespace {

namespace beast = boost::beast;
namespace websocket = beast::websocket;

// The kernel's share of a page's unsent data, so that a page that stops reading reaches the
// limit on ours soon, rather than after megabytes that the kernel would buffer for it.
constexpr int kSocketSendBytes = 64 * 1024;

}  // namespace

PageSession::PageSession(beast::tcp_stream stream, Site& site)
    : socket_(std::move(stream)), site_(site) {}

void PageSession::start(const Request& request, const std::string& early) {
  // From here the WebSocket's own timeouts hold: the handshake's, and a ping after kPingTime
  // of silence that must be answered within as long.
  beast::get_lowest_layer(socket_).expires_never();
  boost::system::error_code ignored;  // a bigger buffer does no harm
  beast::get_lowest_layer(socket_).socket().set_option(
      boost::asio::socket_base::send_buffer_size(kSocketSendBytes), ignored);
  socket_.set_option(
      websocket::stream_base::timeout{limits::kRequestTime, 2 * limits::kPingTime, true});
  socket_.set_option(websocket::stream_base::decorator(
      [](websocket::response_type& response) { response.erase(beast::http::field::server); }));
  socket_.read_message_max(limits::kMaxMessageBytes);
  const auto accepted = [self = shared_from_this()](beast::error_code error) {
    if (error) return;
    self->open_ = true;
    self->site_.pages.join(self);
    self->read();
  };
  if (early.empty()) return socket_.async_accept(request, accepted);
  // The WebSocket takes bytes already read only with the request they followed, re-read from its
  // own small buffer: the handshake's fields alone then, which leave room for the frames.
  beast::http::request<beast::http::empty_body> handshake{request.method(), request.target(),
                                                          request.version()};
  for (const auto field :
       {beast::http::field::host, beast::http::field::upgrade, beast::http::field::connection,
        beast::http::field::sec_websocket_key, beast::http::field::sec_websocket_version}) {
    handshake.set(field, request[field]);
  }
  std::ostringstream bytes;
  bytes << handshake << early;
  socket_.async_accept(boost::asio::buffer(bytes.str()), accepted);
}

void PageSession::read() {
  socket_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
    if (error) return self->drop();
    std::string text = beast::buffers_to_string(self->buffer_.data());
    self->buffer_.consume(self->buffer_.size());
    if (!self->socket_.got_text()) return self->read();
    self->site_.pages.request(self, std::move(text));
  });
}

void PageSession::send(std::shared_ptr<const std::string> message) {
  if (!open_) return;
  if (unsent_bytes_ + message->size() > limits::kMaxUnsentBytes) return drop();
  unsent_bytes_ += message->size();
  unsent_.push_back(std::move(message));
  if (unsent_.size() == 1) write();
}

void PageSession::write() {
  socket_.text(true);
  socket_.async_write(boost::asio::buffer(*unsent_.front()),
                      [self = shared_from_this()](beast::error_code error, std::size_t) {
                        if (error) return;
                        self->unsent_bytes_ -= self->unsent_.front()->size();
                        self->unsent_.pop_front();
                        if (!self->unsent_.empty()) self->write();
                      });
}

void PageSession::drop() {
  if (!open_) return;
  open_ = false;
  // Closing cancels the read and the write, whose handlers then let the page go.
  beast::get_lowest_layer(socket_).close();
  site_.pages.leave(this);
}

}  // namespace web
