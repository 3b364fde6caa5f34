#include "port_choice/port_choice.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bus/inpout.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// The rows of golden file `file` whose platform (the first column) is this one's.
std::vector<std::vector<std::string>> rows_here(const std::string& file) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : support::golden(file)) {
    auto columns = support::fields(row);
    if (std::ranges::count(support::split(SAA_PLATFORMS, " "), columns[0]) > 0) {
      rows.push_back(std::move(columns));
    }
  }
  return rows;
}

// The port that the arguments, "(none)" for none, pick.
std::unique_ptr<bus::Port> port_of(const std::string& arguments) {
  const auto words = support::split(arguments == "(none)" ? "" : arguments, " ");
  const std::vector<std::string_view> views(words.begin(), words.end());
  return port_choice::choose_port(cli::parse_options(views));
}

TEST(PortChoice, TheCommandLinePicksTheBackEndThatTheInformationLineNames) {
  for (const auto& columns : rows_here("port_choice.txt")) {
    const std::string& arguments = columns[1];
    const auto port = port_of(arguments);
    EXPECT_EQ(port->label(), columns[2]) << arguments;
    EXPECT_EQ(port->description(), columns[3]) << arguments;
    if (columns.size() < 5) continue;
    bus::Inpout library{*port};
    EXPECT_EQ(support::failure_of([&library] { library.Out32(support::kStandardData, 0); }),
              columns[4])
        << arguments;
  }
}

TEST(PortChoice, ThePortGetsTheLockLineTheCommandLineNames) {
  for (const auto& columns : rows_here("port_lock_lines.txt")) {
    EXPECT_EQ(port_of(columns[1])->lock_line().value_or("(none)"), columns[2]) << columns[1];
  }
}

}  // namespace
