#pragma once

#include <QHostAddress>
#include <optional>
#include <string>
#include <string_view>

namespace web {

// The client an address stands for, as the login's waits and the connections' shares count
// them: an IPv6 one by its /64, which one host holds whole; an IPv4-mapped one by its IPv4.
std::string client_of(const std::string& address);

// Whether the address is the box's own (loopback): a proxy's, or the owner's on the box, not a
// stranger's.
bool is_own_machine(const std::string& address);

// The address a request stands for: its peer's, or, where the peer is the reverse proxy the owner
// named, the one the proxy put last in `forwarded_for` (its X-Forwarded-For: what comes before
// that, the client wrote itself, and anyone may). The peer's where that is no address.
std::string requester(const std::string& peer, std::string_view forwarded_for,
                      const std::optional<QHostAddress>& proxy);

}  // namespace web
