// Command lines made of arbitrary words: the parser either returns options or throws a usage
// error; it never crashes or throws anything else.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "cli/options.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> arguments;
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find('\0', at), text.size());
    arguments.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  try {
    cli::parse_options(arguments);
  } catch (const cli::UsageError&) {
  }
  return 0;
}
