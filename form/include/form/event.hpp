#pragma once

namespace form {

// Every window event that runs a procedure of Form1.
enum class Event {
  Form_Load,
  hscDiv_Change,
  scvDel_Change,
  cmdREFH_Click,
  cmdSLA_Click,
  cmdBRM_Click,
  lstCurrent_Click,
  lstPhase_Click,
  lstTest_Click,
  cmdSend_Click,
  // Enter in a box tunes to what it holds; Escape or leaving it puts the tuned value back.
  txtFM_Enter,
  txtDiv_Enter,
  txtBoxes_Revert,
};

}  // namespace form
