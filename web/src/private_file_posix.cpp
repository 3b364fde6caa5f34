#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/program_name.hpp"
#include "private_file.hpp"

namespace web {

std::string state_folder() {
  const auto set = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value ? value : "";
  };
  std::string folder = set("STATE_DIRECTORY");
  folder = folder.substr(0, folder.find(':'));  // systemd lists several, if given several
  if (folder.empty() && !set("XDG_STATE_HOME").empty()) {
    folder = set("XDG_STATE_HOME") + "/" + std::string(common::kProgramName);
  }
  if (folder.empty()) folder = set("HOME") + "/.local/state/" + std::string(common::kProgramName);
  return folder;
}

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
