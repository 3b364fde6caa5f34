#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "state/whole_file.hpp"

namespace state {

std::variant<std::string, ReadFailure> read_whole(const std::string& path) {
  using Kind = ReadFailure::Kind;
  std::error_code error;
  const auto type = std::filesystem::status(path, error).type();
  if (type == std::filesystem::file_type::not_found) {
    return ReadFailure{Kind::absent, std::generic_category().message(ENOENT)};
  }
  if (error) return ReadFailure{Kind::unreadable, error.message()};
  // A folder opens as a file would, and reads as an empty one.
  if (type == std::filesystem::file_type::directory) {
    return ReadFailure{Kind::folder, std::generic_category().message(EISDIR)};
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return ReadFailure{Kind::unreadable, std::generic_category().message(errno ? errno : EIO)};
  }
  std::string text(kMaxReadBytes + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) return ReadFailure{Kind::unreadable, std::generic_category().message(EIO)};
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kMaxReadBytes) {
    return ReadFailure{Kind::too_large, "it is larger than " +
                                            std::to_string(kMaxReadBytes >> 20) +
                                            " MiB, which no file of this program's is"};
  }
  return text;
}

}  // namespace state
