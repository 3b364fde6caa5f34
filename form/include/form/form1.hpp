#pragma once

#include <variant>

#include "bus/inpout.hpp"
#include "bus/transmitter.hpp"
#include "form/control_access.hpp"
#include "form/event.hpp"
#include "form/form_state.hpp"

namespace form {

// The panel's logic: the form state and the event procedures. Each procedure runs to
// completion, transmissions and waits included; a failure leaves it as common::FatalError.
class Form1 {
 public:
  Form1(ControlAccess& controls, bus::Inpout& library, bus::Spin spin = bus::busy_spin);

  // Runs the procedure of the event.
  void raise(Event event);

  void Form_Load();
  void hscDiv_Change();
  void scvDel_Change();
  void cmdREFH_Click();
  void cmdSLA_Click();
  void cmdBRM_Click();
  void lstCurrent_Click();
  void lstPhase_Click();
  void lstTest_Click();
  void cmdSend_Click();
  void txtFM_Enter();
  void txtDiv_Enter();
  void txtBoxes_Revert();

  const FormState& state() const { return state_; }

 private:
  void composeB();
  void show_frequency();
  void show_tuned();
  void tune_typed(const std::variant<std::int32_t, words::Refusal>& divider);
  void toggle(std::int16_t& flag, Control label, const words::ToggleTexts& texts);
  void select(Control list, std::span<const words::ListRow> rows, std::string& code);

  ControlAccess& controls_;
  FormState state_;
  bus::Transmitter transmitter_;
};

}  // namespace form
