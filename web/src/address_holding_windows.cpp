#include <winsock2.h>

#include <boost/asio/detail/socket_option.hpp>

#include "address_holding.hpp"

namespace web {

void hold_address(boost::asio::ip::tcp::acceptor& acceptor, boost::system::error_code& error) {
  using exclusive_use =
      boost::asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
  acceptor.set_option(exclusive_use(true), error);
}

}  // namespace web
