#pragma once

#include <span>

#include "form/control.hpp"

namespace form {

// A scroll bar's range and steps, and its value when the window is created: the window and
// the headless control set start from the same values.
struct ScrollRange {
  Control control;
  int minimum;
  int maximum;
  int small_change;
  int large_change;
  int initial_value;
};

std::span<const ScrollRange> scroll_ranges();

// The range of one of the two scroll bars (hscDiv, scvDel).
const ScrollRange& scroll_range(Control control);

}  // namespace form
