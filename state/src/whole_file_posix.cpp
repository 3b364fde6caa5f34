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

// Writes all of `text`; errno on failure, ENOSPC for a disk that takes no more.
bool written_whole(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      if (count == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace

std::optional<WriteFailure> write_whole(const std::string& path, const std::string& text,
                                        IfThere if_there) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) return reason(made.value());
  // A name of its own, so that two programs keeping the same file never write into one.
  std::string fresh = path + ".XXXXXX";
  const int fd = ::mkostemp(fresh.data(), O_CLOEXEC);
  if (fd < 0) return reason(errno);
  const bool written = written_whole(fd, text);
  const int write_error = errno;
  if (!synced_and_closed(fd) || !written) {
    const int error = written ? errno : write_error;
    ::unlink(fresh.c_str());
    return reason(error);
  }
  // A link, unlike a rename, fails where a file is already.
  const bool placed = if_there == IfThere::keep
                          ? ::link(fresh.c_str(), path.c_str()) == 0 || errno == EEXIST
                          : ::rename(fresh.c_str(), path.c_str()) == 0;
  const int place_error = errno;
  if (!placed || if_there == IfThere::keep) ::unlink(fresh.c_str());
  if (!placed) return reason(place_error);
  // The new name is on the disk once the folder is.
  const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd < 0 || !synced_and_closed(folder_fd)) return reason(errno);
  return std::nullopt;
}

}  // namespace state
