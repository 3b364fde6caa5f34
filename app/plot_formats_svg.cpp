#include "plot_formats.hpp"

namespace app {

void check_plot_format(const cli::Plot& plot) {
  if (plot.format != cli::PlotFormat::svg) {
    throw cli::UsageError("--plot " + plot.file +
                          ": this build writes SVG plots only; give FILE.svg");
  }
}

std::optional<std::string> plot_file_contents(const std::string& svg, cli::PlotFormat) {
  return svg;
}

}  // namespace app
