#pragma once

#include <string>

namespace bus {

// The system's text for the thread's last error, without its line break: for messages.
std::string last_error_text();

}  // namespace bus
