#include "plot_argument.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace cli {

namespace {

struct Extension {
  std::string_view name;  // lower case
  PlotFormat format;
};
constexpr std::array<Extension, 2> kExtensions{
    {{".svg", PlotFormat::svg}, {".png", PlotFormat::png}}};

bool ends_in(std::string_view file, std::string_view extension) {
  return file.size() >= extension.size() &&
         std::ranges::equal(file.substr(file.size() - extension.size()), extension,
                            [](char given, char lower) {
                              return std::tolower(static_cast<unsigned char>(given)) == lower;
                            });
}

}  // namespace

Plot parse_plot(std::string_view value) {
  if (value.empty()) throw UsageError("option '--plot' needs a file name");
  for (const auto& [extension, format] : kExtensions) {
    if (ends_in(value, extension)) return {std::string(value), format};
  }
  throw UsageError("--plot " + std::string(value) +
                   ": the name's extension chooses the picture's format, SVG or PNG; give "
                   "FILE.svg or FILE.png");
}

}  // namespace cli
