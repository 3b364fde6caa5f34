#include "port_choice/port_choice.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "bus/inpout.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

TEST(PortChoice, TheCommandLinePicksTheBackEndThatTheInformationLineNames) {
  for (const auto& row : support::golden("port_choice.txt")) {
    const auto columns = support::fields(row);
    if (std::ranges::count(support::split(SAA_PLATFORMS, " "), columns[0]) == 0) continue;
    const auto words = support::split(columns[1] == "(none)" ? "" : columns[1], " ");
    const std::vector<std::string_view> arguments(words.begin(), words.end());
    const auto port = port_choice::choose_port(cli::parse_options(arguments));
    EXPECT_EQ(port->label(), columns[2]) << row;
    EXPECT_EQ(port->description(), columns[3]) << row;
    if (columns.size() < 5) continue;
    bus::Inpout library{*port};
    EXPECT_EQ(support::failure_of([&library] { library.Out32(support::kStandardData, 0); }),
              columns[4])
        << row;
  }
}

}  // namespace
