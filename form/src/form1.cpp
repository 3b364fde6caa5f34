#include "form/form1.hpp"

#include <string>

#include "bus/port_addresses.hpp"
#include "words/typed_frequency.hpp"
#include "words/word_a.hpp"

namespace form {

namespace {
constexpr std::int16_t kPortBase = bus::kStandardBase;
constexpr std::int32_t kStartDivider = 11690;
}  // namespace

Form1::Form1(ControlAccess& controls, bus::Inpout& library, bus::Spin spin)
    : controls_(controls), transmitter_(state_, library, spin) {}

void Form1::raise(Event event) {
  state_.told = {};
  switch (event) {
    case Event::Form_Load:
      return Form_Load();
    case Event::hscDiv_Change:
      return hscDiv_Change();
    case Event::scvDel_Change:
      return scvDel_Change();
    case Event::cmdREFH_Click:
      return cmdREFH_Click();
    case Event::cmdSLA_Click:
      return cmdSLA_Click();
    case Event::cmdBRM_Click:
      return cmdBRM_Click();
    case Event::lstCurrent_Click:
      return lstCurrent_Click();
    case Event::lstPhase_Click:
      return lstPhase_Click();
    case Event::lstTest_Click:
      return lstTest_Click();
    case Event::cmdSend_Click:
      return cmdSend_Click();
    case Event::txtFM_Enter:
      return txtFM_Enter();
    case Event::txtDiv_Enter:
      return txtDiv_Enter();
    case Event::txtBoxes_Revert:
      return txtBoxes_Revert();
  }
}

void Form1::Form_Load() {
  state_.iPort = kPortBase;
  state_.iDiv = kStartDivider;
  // The slider starts elsewhere, so this runs hscDiv_Change and transmits Word A, with
  // iDel still 0: no pauses.
  controls_.set_value(Control::hscDiv, kStartDivider);
  state_.iREFH = 0;
  state_.iSLA = 0;
  state_.iBRM = 0;
  state_.sCurrent = "0000";
  state_.sPhase = "00";
  state_.sTest = "0000";
  composeB();
  state_.iDel = controls_.value(Control::scvDel);
  transmitter_.rest_lines();
}

void Form1::hscDiv_Change() {
  state_.iDiv = controls_.value(Control::hscDiv);
  show_tuned();
  controls_.set_text(Control::txtA, words::converD_B(state_.iDiv));
  state_.sWordA = controls_.text(Control::txtA);
  transmitter_.Send(state_.sWordA);
}

void Form1::show_frequency() {
  controls_.set_text(Control::txtFM,
                     words::frequency_text(words::received_mhz(state_.iDiv, state_.step)));
}

void Form1::txtFM_Enter() {
  tune_typed(words::typed_on_grid(controls_.text(Control::txtFM), state_.step));
}

void Form1::txtDiv_Enter() { tune_typed(words::typed_divider(controls_.text(Control::txtDiv))); }

void Form1::tune_typed(const std::variant<std::int32_t, words::Refusal>& divider) {
  if (const auto* refused = std::get_if<words::Refusal>(&divider)) {
    txtBoxes_Revert();
    state_.told = *refused;
    return;
  }
  // As a move of the slider: its change event sends Word A, unless it is there already.
  controls_.set_value(Control::hscDiv, std::get<std::int32_t>(divider));
  txtBoxes_Revert();
}

// No box shows what the chip was not sent.
void Form1::show_tuned() {
  show_frequency();
  controls_.set_text(Control::txtDiv, std::to_string(state_.iDiv));
}

void Form1::txtBoxes_Revert() { show_tuned(); }

void Form1::scvDel_Change() { state_.iDel = controls_.value(Control::scvDel); }

void Form1::composeB() {
  state_.sWordB = words::compose_word_b(state_);
  controls_.set_text(Control::txtB, state_.sWordB);
}

void Form1::toggle(std::int16_t& flag, Control label, const words::ToggleTexts& texts) {
  controls_.set_text(label, words::toggle(flag, texts));
  composeB();
}

void Form1::select(Control list, std::span<const words::ListRow> rows, std::string& code) {
  if (const auto selected = words::code_at(rows, controls_.selected_index(list))) {
    code = *selected;
  }
  composeB();
}

void Form1::cmdREFH_Click() { toggle(state_.iREFH, Control::lblREFH, words::kREFHTexts); }
void Form1::cmdSLA_Click() { toggle(state_.iSLA, Control::lblSLA, words::kSLATexts); }
void Form1::cmdBRM_Click() { toggle(state_.iBRM, Control::lblBRM, words::kBRMTexts); }

void Form1::lstCurrent_Click() {
  select(Control::lstCurrent, words::kCurrentRows, state_.sCurrent);
}
void Form1::lstPhase_Click() { select(Control::lstPhase, words::kPhaseRows, state_.sPhase); }
void Form1::lstTest_Click() { select(Control::lstTest, words::kTestRows, state_.sTest); }

void Form1::cmdSend_Click() {
  composeB();
  transmitter_.Send(state_.sWordB);
  // The divider stays; what it receives moves with the reference the chip now counts.
  const words::Step sent = words::step_for_refh(state_.iREFH);
  if (sent == state_.step) return;
  state_.step = sent;
  show_frequency();
}

}  // namespace form
