#pragma once

namespace form {

// The controls that the form logic reads or writes; the rest of the window is static.
enum class Control {
  hscDiv,
  scvDel,
  txtFM,
  txtDiv,
  txtA,
  txtB,
  lblREFH,
  lblSLA,
  lblBRM,
  lstCurrent,
  lstPhase,
  lstTest,
};

}  // namespace form
