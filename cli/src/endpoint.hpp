#pragma once

#include <string>
#include <string_view>

#include "cli/options.hpp"

namespace cli {

// The ports that the listening options take when given no value, on the loopback address:
// rigctld's own, and the page's.
inline constexpr std::string_view kRigctldPort = "4532";
inline constexpr std::string_view kHttpPort = "8080";

// The value of a listening option (--rigctld, --http): "PORT" (on the loopback address),
// "HOST:PORT" or "[IPv6]:PORT", where HOST is an IP address or "localhost". Port 0 takes any
// free port, so that tests cannot collide. Throws UsageError, whose message names the option
// and shows its `default_port`.
Endpoint parse_endpoint(std::string_view option, std::string_view value,
                        std::string_view default_port);

// An IP address alone, such as 127.0.0.1 or ::1 (brackets allowed). Throws UsageError, whose
// message names the option.
std::string parse_address(std::string_view option, std::string_view value);

// "127.0.0.1:PORT", where a listening option given no host listens.
std::string default_endpoint_text(std::string_view port);

}  // namespace cli
