#include "endpoint.hpp"

#include <algorithm>
#include <charconv>

namespace cli {

namespace {

constexpr std::string_view kLoopback = "127.0.0.1";

[[noreturn]] void invalid(std::string_view option, std::string_view value, std::string_view why) {
  throw UsageError("invalid " + std::string(option) + " value '" + std::string(value) +
                   "': " + std::string(why));
}

bool is_ipv4(std::string_view host) {
  int parts = 0;
  while (true) {
    const auto dot = host.find('.');
    const std::string_view part = host.substr(0, dot);
    unsigned value = 256;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || part.size() > 3 || error != std::errc{} ||
        end != part.data() + part.size() || value > 255) {
      return false;
    }
    ++parts;
    if (dot == std::string_view::npos) return parts == 4;
    host.remove_prefix(dot + 1);
  }
}

bool is_ipv6(std::string_view host) {
  return host.find(':') != std::string_view::npos && std::ranges::all_of(host, [](char c) {
           return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
         });
}

}  // namespace

std::string parse_address(std::string_view option, std::string_view value) {
  std::string_view host = value;
  if (host.starts_with('[') && host.ends_with(']')) host = host.substr(1, host.size() - 2);
  if (!is_ipv4(host) && !is_ipv6(host)) {
    invalid(option, value, "give an IP address, such as 127.0.0.1 or ::1");
  }
  return std::string(host);
}

std::string default_endpoint_text(std::string_view port) {
  return std::string(kLoopback) + ":" + std::string(port);
}

Endpoint parse_endpoint(std::string_view option, std::string_view value,
                        std::string_view default_port) {
  const auto colon = value.rfind(':');
  std::string_view host = kLoopback;
  std::string_view port_text = value;
  if (colon != std::string_view::npos) {
    host = value.substr(0, colon);
    port_text = value.substr(colon + 1);
    if (host.starts_with('[') && host.ends_with(']') && is_ipv6(host.substr(1, host.size() - 2))) {
      host = host.substr(1, host.size() - 2);
    } else if (host != "localhost" && !is_ipv4(host)) {
      invalid(option, value,
              "the host must be an IP address, such as 127.0.0.1 or [::1], or localhost");
    }
  }
  unsigned port = 0;
  const auto [end, error] =
      std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
  if (port_text.empty() || error != std::errc{} || end != port_text.data() + port_text.size() ||
      port > 65535) {
    invalid(option, value,
            "give [HOST:]PORT with a port from 0 to 65535, such as " + std::string(default_port) +
                " or " + default_endpoint_text(default_port));
  }
  return {std::string(host), static_cast<std::uint16_t>(port)};
}

}  // namespace cli
