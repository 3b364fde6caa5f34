#include "lock_timeout_argument.hpp"

#include <charconv>

#include "cli/options.hpp"
#include "lock/lock_watch.hpp"

namespace cli {

namespace {

// A loop that has not locked in ten seconds will not: a longer wait only stalls a sweep.
constexpr std::chrono::milliseconds kShortest{1};
constexpr std::chrono::milliseconds kLongest{10'000};

std::string range_text() {
  return "from " + std::to_string(kShortest.count()) + " to " + std::to_string(kLongest.count());
}

}  // namespace

std::chrono::milliseconds parse_lock_timeout(std::string_view value) {
  std::chrono::milliseconds::rep count = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
  const std::chrono::milliseconds timeout{count};
  if (value.empty() || error != std::errc{} || end != value.data() + value.size() ||
      timeout < kShortest || timeout > kLongest) {
    throw UsageError("invalid --lock-timeout value '" + std::string(value) +
                     "': give whole milliseconds " + range_text());
  }
  return timeout;
}

std::string lock_timeout_text() {
  return range_text() + " (default " + std::to_string(lock::kLockTimeout.count()) + ")";
}

}  // namespace cli
