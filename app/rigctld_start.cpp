#include "rigctld_start.hpp"

#include "common/failure_message.hpp"
#include "fatal_report.hpp"

namespace app {

bool serve_rigctld(remote::RigctlServer& server, const cli::Endpoint& endpoint) {
  const QHostAddress address(endpoint.host == "localhost" ? QString("127.0.0.1")
                                                          : QString::fromStdString(endpoint.host));
  const std::string error = server.listen(address, endpoint.port);
  if (error.empty()) return true;
  const bool ipv6 = endpoint.host.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + endpoint.host + "]" : endpoint.host;
  print_error(common::failure_message(
      "Cannot serve rigctld on " + host + ":" + std::to_string(endpoint.port), error,
      "Give --rigctld a free port on one of this machine's addresses"));
  return false;
}

}  // namespace app
