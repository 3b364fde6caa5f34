#include "web/password_file.hpp"

#include <QRandomGenerator>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/failure_message.hpp"
#include "state/state_folder.hpp"
#include "state/whole_file.hpp"

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

[[noreturn]] void fail(const std::string& what, const std::string& path,
                       const std::string& reason) {
  throw common::failure(what + " the web page's password file " + path, reason,
                        "Mend the file or its folder, or serve --http on 127.0.0.1, which needs "
                        "no password");
}

}  // namespace

std::string password_file_path() {
  return (std::filesystem::path(state::state_folder()) / kFileName).string();
}

QByteArray password_from_file(const std::string& path) {
  std::error_code error;
  const bool there = std::filesystem::exists(path, error);
  if (error) fail("Cannot read", path, error.message());
  // An empty file is one cut short as it was made (by a full disk, say): nothing to keep.
  const bool empty = there && std::filesystem::file_size(path, error) == 0 && !error;
  if (!there || empty) {
    const auto made = (made_up_password() + '\n').toStdString();
    if (const auto failure = state::write_whole(
            path, made, empty ? state::IfThere::replace : state::IfThere::keep)) {
      fail("Cannot write", path, failure->reason);
    }
  }
  errno = 0;
  std::ifstream file(path);
  const int open_error = errno;
  std::string line;
  if (!file || !std::getline(file, line)) {
    fail("Cannot read", path, std::generic_category().message(open_error ? open_error : EIO));
  }
  // As editors save it: Notepad's byte-order mark, Windows' CR, spaces left at the end.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
  line.erase(line.find_last_not_of(" \t\r") + 1);
  if (line.empty()) {
    throw common::failure("The web page's password file " + path + " holds no password",
                          "its first line is empty or only spaces",
                          "Write a password there, or delete the file to have one made up");
  }
  return QByteArray::fromStdString(line);
}

}  // namespace web
