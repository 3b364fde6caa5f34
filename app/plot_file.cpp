#include "plot_file.hpp"

#include <cerrno>
#include <cstring>

#include "common/failure_message.hpp"
#include "fatal_report.hpp"
#include "sweep/sweep_plot.hpp"

namespace app {

namespace {

constexpr std::string_view kWayOut = "Give --plot a file in a folder you may write to";

}  // namespace

PlotFile::PlotFile(const std::string& name)
    : name_(name), file_(name, std::ios::binary | std::ios::trunc) {
  if (!file_) {
    throw common::failure("Cannot create the plot " + name, std::strerror(errno), kWayOut);
  }
}

bool PlotFile::write(std::span<const sweep::SweepRow> rows) {
  if (file_ << sweep::svg_plot(rows) && file_.flush()) return true;
  print_error(common::failure_message("Cannot write the plot to " + name_,
                                      std::strerror(errno), kWayOut));
  return false;
}

}  // namespace app
