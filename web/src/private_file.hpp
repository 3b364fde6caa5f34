#pragma once

#include <QByteArray>
#include <optional>
#include <string>

namespace web {

// Creates `path`, readable by this user alone, holding `contents`; leaves it as it is if it
// exists (another start made it meanwhile). On failure returns what failed and the system's
// reason: {"Cannot create", "Permission denied"}.
struct FileFailure {
  std::string what;
  std::string reason;
};
std::optional<FileFailure> create_private_file(const std::string& path, const QByteArray& contents);

}  // namespace web
