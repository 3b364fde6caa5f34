#pragma once

#include <QWidget>

#include "window/layout_table.hpp"

namespace window {

// The window's default font, which every control inherits unless its look says otherwise.
void apply_window_font(QWidget& form);

// Gives a control the font, colours and alignment of its look.
void apply_look(QWidget& control, Look look);

}  // namespace window
