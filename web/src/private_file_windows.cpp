#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "common/program_name.hpp"
#include "private_file.hpp"

namespace web {

std::string state_folder() {
  // %LOCALAPPDATA%: this user's, on this machine alone.
  const QString local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return QDir::toNativeSeparators(local + "/" + QString::fromUtf8(common::kProgramName.data()))
      .toStdString();
}

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
