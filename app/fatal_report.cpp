#include "fatal_report.hpp"

#include <QGuiApplication>
#include <QMessageBox>
#include <iostream>

namespace app {

void print_error(const std::string& message) {
  std::cerr << "saa1057-panel: " << message << std::endl;
}

void report_fatal(QWidget& parent, const std::string& message) {
  print_error(message);
  const QString platform = QGuiApplication::platformName();
  // Nobody could dismiss a box on these platforms; it would only hang the program.
  if (platform == "offscreen" || platform == "minimal") return;
  QMessageBox::critical(&parent, "saa1057-panel", QString::fromStdString(message));
}

}  // namespace app
