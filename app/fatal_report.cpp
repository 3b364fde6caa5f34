#include "fatal_report.hpp"

#include <QGuiApplication>
#include <QMessageBox>
#include <iostream>

#include "common/program_name.hpp"

namespace app {

void print_error(const std::string& message) {
  std::cerr << common::kProgramName << ": " << message << std::endl;
}

void report_fatal(QWidget& parent, const std::string& message) {
  print_error(message);
  const QString platform = QGuiApplication::platformName();
  // Nobody could dismiss a box on these platforms; it would only hang the program.
  if (platform == "offscreen" || platform == "minimal") return;
  QMessageBox::critical(&parent, QString::fromUtf8(common::kProgramName),
                        QString::fromStdString(message));
}

}  // namespace app
