#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "private_file.hpp"

namespace web {

std::optional<FileFailure> create_private_file(const std::string& path,
                                               const QByteArray& contents) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno == EEXIST) return std::nullopt;
    return FileFailure{"Cannot create", std::strerror(errno)};
  }
  const bool written = ::write(fd, contents.constData(), contents.size()) == contents.size();
  const int error = errno;
  ::close(fd);
  if (!written) return FileFailure{"Cannot write", std::strerror(error)};
  return std::nullopt;
}

}  // namespace web
