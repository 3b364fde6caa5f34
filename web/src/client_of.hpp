#pragma once

#include <string>

namespace web {

// The client an address stands for, as the login's waits and the connections' shares count
// them: an IPv6 one by its /64, which one host holds whole; an IPv4-mapped one by its IPv4.
std::string client_of(const std::string& address);

// Whether the address is the box's own (loopback): a proxy's, or the owner's on the box, not a
// stranger's.
bool is_own_machine(const std::string& address);

}  // namespace web
