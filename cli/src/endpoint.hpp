#pragma once

#include <string_view>

#include "cli/options.hpp"

namespace cli {

// The value of a listening option (--rigctld, --http): "PORT" (on 127.0.0.1), "HOST:PORT" or
// "[IPv6]:PORT", where HOST is an IP address or "localhost". Throws UsageError, whose message
// names the option and shows `example_port`.
Endpoint parse_endpoint(std::string_view option, std::string_view value,
                        std::uint16_t example_port);

}  // namespace cli
