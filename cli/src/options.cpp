#include "cli/options.hpp"

#include <array>

namespace cli {

namespace {

struct Flag {
  std::string_view name;
  bool Options::*field;
  std::string_view help;
};

constexpr std::array<Flag, 3> kFlags{{
    {"--simulate", &Options::simulate, "use the simulated SAA1057 instead of the parallel port"},
    {"--help", &Options::help, "show this help and exit"},
    {"--version", &Options::version, "show the version and exit"},
}};

}  // namespace

Options parse_options(std::span<const std::string_view> arguments) {
  Options options;
  for (const std::string_view argument : arguments) {
    const Flag* flag = nullptr;
    for (const auto& candidate : kFlags) {
      if (candidate.name == argument) flag = &candidate;
    }
    if (!flag) {
      if (argument.starts_with("-")) {
        throw UsageError("unknown option '" + std::string(argument) + "'");
      }
      throw UsageError("unexpected argument '" + std::string(argument) + "'");
    }
    if (options.*(flag->field)) {
      throw UsageError("option '" + std::string(argument) + "' given twice");
    }
    options.*(flag->field) = true;
  }
  return options;
}

std::string help_text(std::string_view program) {
  std::string text = "Usage: " + std::string(program) + " [OPTION]...\n" +
                     "Tunes an FM receiver whose local oscillator is an SAA1057 PLL synthesizer\n"
                     "on the PC parallel port (base 0x378).\n\n";
  for (const auto& flag : kFlags) {
    text += "  " + std::string(flag.name) + std::string(14 - flag.name.size(), ' ') +
            std::string(flag.help) + "\n";
  }
  return text;
}

std::string version_text() { return "saa1057-panel " SAA_VERSION "\n"; }

}  // namespace cli
