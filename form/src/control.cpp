#include "form/control.hpp"

#include <array>

namespace form {

std::string_view control_name(Control control) {
  static constexpr std::array<std::string_view, 12> kNames{
      "hscDiv",  "scvDel", "txtFM",  "txtDiv",     "txtA",     "txtB",
      "lblREFH", "lblSLA", "lblBRM", "lstCurrent", "lstPhase", "lstTest",
  };
  return kNames.at(static_cast<std::size_t>(control));
}

}  // namespace form
