#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "state/whole_file.hpp"

namespace state {

std::optional<std::string> write_whole(const std::string& path, const std::string& text) {
  const QString name = QString::fromStdString(path);
  if (!QDir().mkpath(QFileInfo(name).absolutePath())) return "cannot make its folder";
  // A temporary file beside it, flushed to the disk and moved over it (MoveFileEx).
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    return file.errorString().toStdString();
  }
  return std::nullopt;
}

}  // namespace state
