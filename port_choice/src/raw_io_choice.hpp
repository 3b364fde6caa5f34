#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "bus/port.hpp"
#include "bus/wiring.hpp"

namespace port_choice {

// Raw port I/O at `base`, with its lock line at `lock_pin`, where the machine has it (x86), else
// a port that says it has none.
std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base, std::optional<bus::StatusPin> lock_pin);

}  // namespace port_choice
