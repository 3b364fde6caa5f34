#pragma once

#include <chrono>
#include <span>
#include <string>

#include "sweep/sweep_row.hpp"

namespace sweep {

// The sweep as an SVG picture: lock time against received frequency, the stretches where the
// loop did not lock shaded across the whole height.
// `timeout`: what each word was given to lock.
std::string svg_plot(std::span<const SweepRow> rows, std::chrono::milliseconds timeout);

}  // namespace sweep
