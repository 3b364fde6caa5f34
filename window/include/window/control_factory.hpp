#pragma once

#include <QWidget>

#include "window/layout_table.hpp"

namespace window {

// Creates the control of `row` in `container`, named, placed, filled and looking as the row
// says, with no signal connected yet, so creating it raises no event.
QWidget* create_control(const LayoutRow& row, QWidget* container, double dots_per_inch);

}  // namespace window
