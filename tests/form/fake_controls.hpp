#pragma once

#include <functional>
#include <map>
#include <string>

#include "form/control_access.hpp"
#include "form/form1.hpp"

namespace fake {

// The window as the form logic sees it, with the values it has when created. Setting a
// slider to a new value raises the form's change event inside the call, as the window does.
class Controls : public form::ControlAccess {
 public:
  Controls() = default;

  void attach(form::Form1& form) { form_ = &form; }

  int value(form::Control control) const override { return values_.at(control); }
  void set_value(form::Control control, int value) override {
    if (values_.at(control) == value) return;
    values_[control] = value;
    if (!form_) return;
    form_->raise(control == form::Control::hscDiv ? form::Event::hscDiv_Change
                                                  : form::Event::scvDel_Change);
  }
  std::string text(form::Control control) const override { return texts_.at(control); }
  void set_text(form::Control control, std::string_view text) override {
    texts_[control] = std::string(text);
  }
  int selected_index(form::Control control) const override { return selected_.at(control); }

  // What a user does: selects a row, or moves a slider (which raises its event).
  void select(form::Control list, int index) { selected_[list] = index; }

 private:
  form::Form1* form_ = nullptr;
  std::map<form::Control, int> values_{{form::Control::hscDiv, 9820}, {form::Control::scvDel, 100}};
  std::map<form::Control, std::string> texts_{
      {form::Control::txtFM, ""},
      {form::Control::txtDiv, ""},
      {form::Control::txtA, ""},
      {form::Control::txtB, ""},
      {form::Control::lblREFH, "1 Khz Reference frequency"},
      {form::Control::lblSLA, "Load mode - asynchronous"},
      {form::Control::lblBRM, "Current always on"},
  };
  std::map<form::Control, int> selected_{
      {form::Control::lstCurrent, -1}, {form::Control::lstPhase, -1}, {form::Control::lstTest, -1}};
};

}  // namespace fake
