#include "web/password_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/failure_message.hpp"
#include "common/program_name.hpp"

namespace web {

namespace {

constexpr const char* kFileName = "http-password";

// Twelve letters and digits that cannot be mistaken for each other: some 61 bits, typed on a
// phone in a few seconds.
QByteArray made_up_password() {
  static constexpr char kAlphabet[] = "abcdefghijkmnpqrstuvwxyz23456789";
  QByteArray password;
  for (int i = 0; i < 12; ++i) {
    password += kAlphabet[QRandomGenerator::system()->bounded(int{sizeof kAlphabet} - 1)];
  }
  return password;
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
  throw common::failure(what + " " + path, std::strerror(error),
                        "Mend the file or its folder, or serve --http on 127.0.0.1, which needs "
                        "no password");
}

void write_new(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno == EEXIST) return;  // another start made it meanwhile
    fail("Cannot create the web page's password file", path, errno);
  }
  const QByteArray line = made_up_password() + '\n';
  const bool written = ::write(fd, line.constData(), line.size()) == line.size();
  const int error = errno;
  ::close(fd);
  if (!written) fail("Cannot write the web page's password file", path, error);
}

}  // namespace

std::string password_file_path() {
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
  return folder + "/" + kFileName;
}

QByteArray password_from_file(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno != ENOENT) fail("Cannot read the web page's password file", path, errno);
    write_new(path);
  }
  errno = 0;
  std::ifstream file(path);
  const int error = errno;
  std::string line;
  if (!file || !std::getline(file, line)) {
    fail("Cannot read the web page's password file", path, error ? error : EIO);
  }
  if (line.empty()) {
    throw common::failure("The web page's password file " + path + " holds no password",
                          "its first line is empty",
                          "Write a password there, or delete the file to have one made up");
  }
  return QByteArray::fromStdString(line);
}

}  // namespace web
