#pragma once

#include <stdexcept>
#include <string>

namespace common {

// The one error that leaves an event procedure: the port failed or an integer overflowed.
// The message is complete (what failed, where, the system's reason, the way out); the edge
// of the program shows it and ends.
class FatalError : public std::runtime_error {
 public:
  explicit FatalError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace common
