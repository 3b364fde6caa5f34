#pragma once

#include <span>
#include <string>

#include "sweep/sweep_row.hpp"

namespace sweep {

// The sweep as an SVG picture: lock time against received frequency, the stretches where the
// loop did not lock shaded across the whole height.
std::string svg_plot(std::span<const SweepRow> rows);

}  // namespace sweep
