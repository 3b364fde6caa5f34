#include <QDir>
#include <QStandardPaths>

#include "common/program_name.hpp"
#include "state/state_folder.hpp"

namespace state {

std::string state_folder() {
  // %LOCALAPPDATA%: this user's, on this machine alone.
  const QString local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return QDir::toNativeSeparators(local + "/" + QString::fromUtf8(common::kProgramName.data()))
      .toStdString();
}

}  // namespace state
