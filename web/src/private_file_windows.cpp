#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "private_file.hpp"

namespace web {

std::optional<FileFailure> create_private_file(const std::string& path,
                                               const QByteArray& contents) {
  const QString name = QString::fromStdString(path);
  QDir().mkpath(QFileInfo(name).absolutePath());
  QFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
    if (file.exists()) return std::nullopt;
    return FileFailure{"Cannot create", file.errorString().toStdString()};
  }
  if (file.write(contents) != contents.size() || !file.flush()) {
    return FileFailure{"Cannot write", file.errorString().toStdString()};
  }
  return std::nullopt;
}

}  // namespace web
