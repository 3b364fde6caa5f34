#pragma once

#include <QHostAddress>
#include <string>

#include "cli/options.hpp"

namespace app {

// The address a server listens on for `endpoint` ("localhost" is 127.0.0.1).
QHostAddress listen_address(const cli::Endpoint& endpoint);

// "127.0.0.1:PORT", "[::1]:PORT", for messages.
std::string endpoint_text(const cli::Endpoint& endpoint);

}  // namespace app
