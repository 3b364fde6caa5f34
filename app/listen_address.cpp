#include "listen_address.hpp"

namespace app {

QHostAddress listen_address(const cli::Endpoint& endpoint) {
  return QHostAddress(endpoint.host == "localhost" ? QString("127.0.0.1")
                                                   : QString::fromStdString(endpoint.host));
}

std::string endpoint_text(const cli::Endpoint& endpoint) {
  const bool ipv6 = endpoint.host.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + endpoint.host + "]" : endpoint.host;
  return host + ":" + std::to_string(endpoint.port);
}

}  // namespace app
