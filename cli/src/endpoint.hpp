#pragma once

#include <string_view>

#include "cli/options.hpp"

namespace cli {

// "--rigctld" values: "PORT" (on 127.0.0.1), "HOST:PORT" or "[IPv6]:PORT", where HOST is an IP
// address or "localhost". Throws UsageError.
Endpoint parse_endpoint(std::string_view value);

}  // namespace cli
