#pragma once

#include <string>

namespace bus {

enum class PortStep { open, claim, write, permit };

// Throws common::FatalError: what failed on `where`, the system's reason for `error_number`,
// and the way out that fits it.
[[noreturn]] void port_failure(PortStep step, const std::string& where, int error_number);

}  // namespace bus
