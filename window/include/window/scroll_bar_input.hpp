#pragma once

class QScrollBar;

namespace window {

// Gives the scroll bar the input of a classic Windows scroll bar: Right and Down step towards
// the maximum, Left and Up towards the minimum, Page Down and Page Up by the large change,
// End and Home to the ends (Qt's own mapping differs by orientation); and one notch of the
// mouse wheel is one small change (Qt's is three), towards the minimum when turned away.
void use_classic_scroll_bar_input(QScrollBar& bar);

}  // namespace window
