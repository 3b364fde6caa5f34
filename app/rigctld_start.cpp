#include "rigctld_start.hpp"

#include "common/failure_message.hpp"
#include "fatal_report.hpp"
#include "listen_address.hpp"

namespace app {

bool serve_rigctld(rigctl_server::Server& server, const cli::Endpoint& endpoint) {
  const std::string error = server.listen(listen_address(endpoint), endpoint.port);
  if (error.empty()) {
    // Port 0 left the choice to the system: whoever asked for it learns where to connect.
    if (endpoint.port == 0) print_error("rigctld listens on " + server.address());
    return true;
  }
  print_error(common::failure_message("Cannot serve rigctld on " + endpoint_text(endpoint), error,
                                      "Give --rigctld a free port on one of this machine's "
                                      "addresses"));
  return false;
}

}  // namespace app
