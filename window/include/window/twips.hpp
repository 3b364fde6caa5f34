#pragma once

namespace window {

// A twip is 1/1440 inch: 15 twips a pixel at 96 dpi.
int twips_to_px(int twips, double dots_per_inch);

}  // namespace window
