#pragma once

#include <optional>
#include <string>

#include "cli/options.hpp"

// The formats a sweep's plot is written in: SVG, and PNG where Qt SVG is there to render it.
// CMake builds plot_formats_svg_png.cpp where it finds Qt SVG, else plot_formats_svg.cpp (the
// Windows build's Qt has no Qt SVG).

namespace app {

// Throws cli::UsageError for a plot in a format this build does not write.
void check_plot_format(const cli::Plot& plot);

// The plot file's contents: the SVG drawing itself, or rendered as a PNG image of its size; none
// where Qt could not encode it. Rendering draws text, which needs a QGuiApplication.
std::optional<std::string> plot_file_contents(const std::string& svg, cli::PlotFormat format);

}  // namespace app
