#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace cli {

// --lock-timeout's value: whole milliseconds, within the range that lock_timeout_text names.
// Throws UsageError.
std::chrono::milliseconds parse_lock_timeout(std::string_view value);

// "from 1 to 10000 (default 100)": the milliseconds --lock-timeout takes, for the help.
std::string lock_timeout_text();

}  // namespace cli
