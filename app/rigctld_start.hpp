#pragma once

#include "cli/options.hpp"
#include "rigctl_server/server.hpp"

namespace app {

// Starts the server at `endpoint`; says why not on standard error.
bool serve_rigctld(rigctl_server::Server& server, const cli::Endpoint& endpoint);

}  // namespace app
