#include <iostream>
#include <string_view>
#include <vector>

#include "cli/options.hpp"
#include "common/program_name.hpp"
#include "plot_formats.hpp"
#include "process_platform.hpp"
#include "program.hpp"

int main(int argc, char** argv) {
  app::hold_closed_standard_streams();
  app::use_parent_console();
  app::ignore_broken_pipes();
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  cli::Options options;
  try {
    options = cli::parse_options(arguments);
    if (options.plot) app::check_plot_format(*options.plot);
  } catch (const cli::UsageError& error) {
    std::cerr << common::kProgramName << ": " << error.what() << "\nTry '" << common::kProgramName
              << " --help' for more information.\n";
    return 2;
  }
  if (options.help) {
    std::cout << cli::help_text(common::kProgramName);
    return 0;
  }
  if (options.version) {
    std::cout << cli::version_text();
    return 0;
  }
  const int status = app::run_program(options, argv[0]);
  app::exit_path_done();
  return status;
}
