#pragma once

#include <QByteArray>
#include <string>

namespace web {

// Where the page's password is kept: under systemd's StateDirectory= ($STATE_DIRECTORY), else
// under $XDG_STATE_HOME or ~/.local/state, in saa1057-panel/http-password.
std::string password_file_path();

// The password in `path`, its first line; the first time (or where the file is empty), one made
// up and written there, readable by this user alone. Throws common::FatalError naming the file.
QByteArray password_from_file(const std::string& path);

}  // namespace web
