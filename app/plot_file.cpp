#include "plot_file.hpp"

#include <cerrno>
#include <cstring>

#include "common/failure_message.hpp"
#include "common/write_way_out.hpp"
#include "fatal_report.hpp"
#include "plot_formats.hpp"
#include "sweep/sweep_plot.hpp"

namespace app {

namespace {

constexpr std::string_view kWayOut = "Give --plot a file in a folder you may write to";

}  // namespace

PlotFile::PlotFile(const cli::Plot& plot)
    : plot_(plot), file_(plot.file, std::ios::binary | std::ios::trunc) {
  if (!file_) {
    throw common::failure("Cannot create the plot " + plot.file, std::strerror(errno), kWayOut);
  }
}

bool PlotFile::write(std::span<const sweep::SweepRow> rows, std::chrono::milliseconds timeout) {
  const auto contents = plot_file_contents(sweep::svg_plot(rows, timeout), plot_.format);
  if (!contents) {
    print_error(common::failure_message("Cannot draw the plot " + plot_.file,
                                        "Qt could not encode it as PNG", "Give --plot FILE.svg"));
    return false;
  }
  if (file_ << *contents && file_.flush()) return true;
  const int error = errno;
  const std::string full = "Free space on its disk, or give --plot a file on another";
  print_error(common::failure_message("Cannot write the plot to " + plot_.file,
                                      std::strerror(error),
                                      common::out_of_room(error) ? full : std::string(kWayOut)));
  return false;
}

}  // namespace app
