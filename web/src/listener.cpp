#include "listener.hpp"

#include <boost/asio/socket_base.hpp>
#include <boost/system/errc.hpp>
#include <memory>
#include <string>

#include "address_holding.hpp"
#include "client_of.hpp"
#include "http_session.hpp"
#include "web/limits.hpp"

namespace web {

namespace {

// The reasons a user can act on in the same words everywhere: Windows may know no text for
// its codes (Wine has none for its sockets' errors).
std::string reason(const boost::system::error_code& error) {
  namespace errc = boost::system::errc;
  const auto condition = error.default_error_condition();
  if (condition == errc::address_in_use) return "Address already in use";
  if (condition == errc::address_not_available) return "Cannot assign requested address";
  if (condition == errc::permission_denied) return "Permission denied";
  return error.message();
}

}  // namespace

Listener::Listener(boost::asio::io_context& context, Site& site)
    : acceptor_(context), retry_(context), site_(site) {}

std::string Listener::listen(const boost::asio::ip::tcp::endpoint& endpoint) {
  boost::system::error_code error;
  acceptor_.open(endpoint.protocol(), error);
  if (!error) hold_address(acceptor_, error);
  if (!error) acceptor_.bind(endpoint, error);
  if (!error) acceptor_.listen(boost::asio::socket_base::max_listen_connections, error);
  return error ? reason(error) : "";
}

unsigned short Listener::port() const { return acceptor_.local_endpoint().port(); }

void Listener::accept() {
  acceptor_.async_accept(
      [this](boost::system::error_code error, boost::asio::ip::tcp::socket socket) {
        on_accepted(error, std::move(socket));
      });
}

void Listener::on_accepted(boost::system::error_code error, boost::asio::ip::tcp::socket socket) {
  if (error == boost::asio::error::operation_aborted) return;
  if (error) {
    retry_.expires_after(limits::kAcceptRetry);
    retry_.async_wait([this](boost::system::error_code waited) {
      if (!waited) accept();
    });
    return;
  }
  // One over a limit is closed unread, as the socket goes out of scope.
  const std::string address = socket.remote_endpoint(error).address().to_string();
  const std::string client = is_own_machine(address) ? "" : client_of(address);
  const auto held = site_.held.find(client);
  const bool within_share =
      held == site_.held.end() || held->second < limits::kMaxConnectionsPerClient;
  bool room = site_.connections < limits::kMaxConnections;
  if (within_share && !room && !site_.idle.empty()) {
    if (const auto idle = site_.idle.front().lock()) {
      idle->let_go();
      room = true;  // it counts until it is gone, soon
    }
  }
  if (within_share && room) {
    // Answers and states are small and wanted at once.
    socket.set_option(boost::asio::ip::tcp::no_delay(true), error);
    std::make_shared<HttpSession>(std::move(socket), site_, client)->start();
  }
  accept();
}

}  // namespace web
