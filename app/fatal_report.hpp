#pragma once

#include <string>

class QWidget;

namespace app {

// Prints "saa1057-panel: MESSAGE" on standard error.
void print_error(const std::string& message);

// Tells the user why the program ends: always on standard error, and in a message box where
// there is a screen to show it on.
void report_fatal(QWidget& parent, const std::string& message);

}  // namespace app
