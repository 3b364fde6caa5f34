#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "state/whole_file.hpp"

namespace state {

std::optional<WriteFailure> write_whole(const std::string& path, const std::string& text,
                                        IfThere if_there) {
  using Kind = WriteFailure::Kind;
  const QString name = QString::fromStdString(path);
  if (if_there == IfThere::keep && QFileInfo::exists(name)) return std::nullopt;
  if (!QDir().mkpath(QFileInfo(name).absolutePath()))
    return {{Kind::other, "cannot make its folder"}};
  // A temporary file beside it, flushed to the disk and moved over it (MoveFileEx).
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    const Kind kind = file.error() == QFileDevice::ResourceError      ? Kind::no_room
                      : file.error() == QFileDevice::PermissionsError ? Kind::not_allowed
                                                                      : Kind::other;
    return {{kind, file.errorString().toStdString()}};
  }
  return std::nullopt;
}

}  // namespace state
