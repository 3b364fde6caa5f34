#pragma once

#include "cli/options.hpp"
#include "remote/rigctl_server.hpp"

namespace app {

// Starts the server at `endpoint`; says why not on standard error.
bool serve_rigctld(remote::RigctlServer& server, const cli::Endpoint& endpoint);

}  // namespace app
