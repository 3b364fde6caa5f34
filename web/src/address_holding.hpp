#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/system/error_code.hpp>

namespace web {

// How the page's port is held, set between opening and binding: on Linux rebound at once after
// a restart (its old connections still in TIME_WAIT); on Windows, where the same option would let
// another program bind the port too, held for this program alone.
void hold_address(boost::asio::ip::tcp::acceptor& acceptor, boost::system::error_code& error);

}  // namespace web
