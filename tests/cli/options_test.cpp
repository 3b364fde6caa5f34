#include "cli/options.hpp"

#include <gtest/gtest.h>

#include "support/golden.hpp"

namespace {

// The options as command_lines.txt writes them, or the usage error.
std::string outcome(std::span<const std::string_view> arguments) {
  try {
    const cli::Options options = cli::parse_options(arguments);
    std::string text;
    if (options.simulate) text += " simulate";
    if (options.help) text += " help";
    if (options.version) text += " version";
    if (const auto* device =
            options.port ? std::get_if<cli::DevicePath>(&*options.port) : nullptr) {
      text += " device " + device->path;
    } else if (options.port) {
      text += " address " + std::to_string(std::get<cli::IoAddress>(*options.port).base);
    }
    if (options.trace) text += " trace " + *options.trace;
    if (const auto& at = options.rigctld)
      text += " rigctld " + at->host + " " + std::to_string(at->port);
    return text.empty() ? "standard port" : text.substr(1);
  } catch (const cli::UsageError& error) {
    return std::string("usage error: ") + error.what();
  }
}

TEST(Options, EveryCommandLineGivesItsOptionsOrItsUsageError) {
  for (const auto& row : support::golden("command_lines.txt")) {
    const auto columns = support::fields(row);
    const auto words = support::split(columns[0] == "(none)" ? "" : columns[0], " ");
    const std::vector<std::string_view> arguments(words.begin(), words.end());
    EXPECT_EQ(outcome(arguments), columns[1]) << row;
  }
}

}  // namespace
