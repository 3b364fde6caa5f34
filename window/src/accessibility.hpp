#pragma once

#include <QString>
#include <functional>

#include "window/layout_table.hpp"

class QWidget;

namespace window {

// The text a slider's value speaks, for a value.
using ValueText = std::function<QString(int value)>;

// Gives the control of `row` the name, description, role and value a screen reader says of it.
void give_speech(QWidget& control, const LayoutRow& row, ValueText value_text);

// Has a screen reader say `news` now, as a notification of the information line `line`.
void announce(QWidget& line, const QString& news);

}  // namespace window
