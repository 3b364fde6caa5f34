#pragma once

#include <string_view>

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

// The control's name in the window, which is also its objectName.
std::string_view control_name(Control control);

}  // namespace form
