#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/write_way_out.hpp"
#include "state/whole_file.hpp"

namespace state {

namespace {

WriteFailure reason(int error) {
  using Kind = WriteFailure::Kind;
  const Kind kind = common::out_of_room(error) || error == EDQUOT         ? Kind::no_room
                    : error == EACCES || error == EPERM || error == EROFS ? Kind::not_allowed
                                                                          : Kind::other;
  return {kind, std::strerror(error)};
}

// Flushes what `fd` holds to the disk, then closes it; errno on failure.
bool synced_and_closed(int fd) {
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  const bool closed = ::close(fd) == 0;
  if (!synced) errno = error;
  return synced && closed;
}

}  // namespace

std::optional<WriteFailure> write_whole(const std::string& path, const std::string& text) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) return reason(made.value());
  // A name of its own, so that two programs keeping the same file never write into one.
  std::string fresh = path + ".XXXXXX";
  const int fd = ::mkostemp(fresh.data(), O_CLOEXEC);
  if (fd < 0) return reason(errno);
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const int write_error = errno;
  if (!synced_and_closed(fd) || !written) {
    const int error = written ? errno : write_error;
    ::unlink(fresh.c_str());
    return reason(error);
  }
  if (::rename(fresh.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(fresh.c_str());
    return reason(error);
  }
  // The rename is on the disk once the folder is.
  const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd < 0 || !synced_and_closed(folder_fd)) return reason(errno);
  return std::nullopt;
}

}  // namespace state
