#pragma once

class QScrollBar;

namespace window {

// Gives the scroll bar the keys of a classic Windows scroll bar: Right and Down step towards
// the maximum, Left and Up towards the minimum, Page Down and Page Up by the large change,
// End and Home to the ends. (Qt's own mapping differs by orientation.)
void use_scroll_bar_keys(QScrollBar& bar);

}  // namespace window
