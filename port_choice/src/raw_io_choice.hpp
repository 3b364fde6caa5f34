#pragma once

#include <cstdint>
#include <memory>

#include "bus/port.hpp"

namespace port_choice {

// Raw port I/O at `base` where the machine has it (x86), else a port that says it has none.
std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base);

}  // namespace port_choice
