#pragma once

#include <chrono>
#include <cstddef>

// What a stranger on the network may cost the program: every size, count and time a client
// controls has a limit here, and the README's page section lists them.
namespace web::limits {

// A request's line and headers, answered 431 beyond.
inline constexpr std::size_t kMaxHeaderBytes = 8 * 1024;
// A request's body, answered 413 from its Content-Length before any of it is read.
inline constexpr std::size_t kMaxBodyBytes = 4 * 1024;
// A request arrives whole within this of its first byte (of the connection, for the first).
inline constexpr std::chrono::seconds kRequestTime{10};
// A keep-alive connection with no request this long is closed.
inline constexpr std::chrono::seconds kIdleTime{60};
// HTTP connections at once; one more is closed before anything is read from it, unless one
// kept alive between requests can be let go for it (the longest idle first).
inline constexpr int kMaxConnections = 32;
// Of those, one client's (an address, an IPv6 one by its /64; the box's own not counted).
inline constexpr int kMaxConnectionsPerClient = 8;
// A page's WebSocket messages.
inline constexpr std::size_t kMaxMessageBytes = 4 * 1024;
// Pages open at once.
inline constexpr int kMaxPages = 16;
// A page whose unsent messages pass this is dropped: it stopped reading.
inline constexpr std::size_t kMaxUnsentBytes = 256 * 1024;
// A page that is silent for this long is pinged, and dropped if it answers no ping for as long.
inline constexpr std::chrono::seconds kPingTime{30};
// After an accept fails (no descriptors left), the wait before the next.
inline constexpr std::chrono::milliseconds kAcceptRetry{250};

}  // namespace web::limits
