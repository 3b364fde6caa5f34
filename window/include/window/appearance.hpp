#pragma once

#include <QWidget>

namespace window {

// Gives the boxes and the "MHz" label their fonts and colours. `form` holds the controls.
void apply_appearance(QWidget& form);

}  // namespace window
