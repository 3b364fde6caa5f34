#include <boost/asio/socket_base.hpp>

#include "address_holding.hpp"

namespace web {

void hold_address(boost::asio::ip::tcp::acceptor& acceptor, boost::system::error_code& error) {
  acceptor.set_option(boost::asio::socket_base::reuse_address(true), error);
}

}  // namespace web
