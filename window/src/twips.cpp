#include "window/twips.hpp"

#include <cmath>

namespace window {

int twips_to_px(int twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips * dots_per_inch / 1440.0));
}

}  // namespace window
