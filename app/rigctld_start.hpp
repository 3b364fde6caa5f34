#pragma once

#include "cli/options.hpp"
#include "rigctl_server/server.hpp"

namespace app {

// Starts the server at `endpoint`; says why not on standard error. Given port 0, names there
// the port that the system chose: "saa1057-panel: rigctld listens on 127.0.0.1:PORT".
bool serve_rigctld(rigctl_server::Server& server, const cli::Endpoint& endpoint);

}  // namespace app
