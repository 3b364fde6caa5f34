#include "fatal_report.hpp"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "common/program_name.hpp"

namespace app {

namespace {

void report_fatal(QWidget* window, const std::string& message) {
  print_error(message);
  const QString platform = QGuiApplication::platformName();
  // Nobody could dismiss a box on these platforms; it would only hang the program.
  if (!window || platform == "offscreen" || platform == "minimal") return;
  QMessageBox::critical(window, QString::fromUtf8(common::kProgramName),
                        QString::fromStdString(message));
}

}  // namespace

form::Panel::FatalHandler report_fatal_from_event_loop(QWidget* window) {
  return [window](const std::string& message) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [window, message] {
          report_fatal(window, message);
          QCoreApplication::exit(1);
        },
        Qt::QueuedConnection);
  };
}

}  // namespace app
