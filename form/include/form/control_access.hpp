#pragma once

#include <string>
#include <string_view>

#include "form/control.hpp"

namespace form {

// The only way the form logic reaches the window.
class ControlAccess {
 public:
  virtual ~ControlAccess() = default;

  // Scroll bars.
  virtual int value(Control control) const = 0;
  // Raises the control's change event synchronously, inside the call, and only when the new
  // value differs from the current one.
  virtual void set_value(Control control, int value) = 0;

  // Text boxes and label captions.
  virtual std::string text(Control control) const = 0;
  virtual void set_text(Control control, std::string_view text) = 0;

  // List boxes: the selected row, -1 when nothing is selected; and a row chosen as a user's
  // click would, without raising the click event, which the caller raises.
  virtual int selected_index(Control control) const = 0;
  virtual void select(Control control, int row) = 0;
};

}  // namespace form
