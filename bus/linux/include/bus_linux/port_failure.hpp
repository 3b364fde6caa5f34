#pragma once

#include <string>
#include <string_view>

namespace bus {

enum class PortStep {
  open,
  claim,
  write,
  read,  // the lock line's status pin
  permit,
  gpio_open,
  gpio_none,  // the machine has no GPIO chip at all
  gpio_request,
  gpio_write,
  gpio_read
};

// Throws common::FatalError: what failed on `where`, the system's reason for `error_number`,
// what else is known (`detail`: sentences without the last full stop, or empty), and the way out
// that fits it.
[[noreturn]] void port_failure(PortStep step, const std::string& where, int error_number,
                               std::string_view detail = {});

}  // namespace bus
