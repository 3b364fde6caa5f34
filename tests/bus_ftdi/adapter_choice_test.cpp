#include "bus_ftdi/adapter_choice.hpp"

#include <gtest/gtest.h>

#include "support/golden.hpp"

namespace {

// "A50285BI FT232R 1, -": adapters as SERIAL PRODUCT CHANNELS, "-" for one that cannot be
// opened (on USB bus 1 device N, N counting from 2), separated by ", "; "none" for no adapter.
std::vector<bus::FoundAdapter> adapters(const std::string& column) {
  std::vector<bus::FoundAdapter> found;
  if (column == "none") return found;
  for (const auto& text : support::split(column, ", ")) {
    const std::string where = "USB bus 1 device " + std::to_string(found.size() + 2);
    if (text == "-") {
      found.push_back({where, "", "", 1, "Access denied"});
      continue;
    }
    const auto words = support::split(text, " ");
    found.push_back({where, words[0] == "''" ? "" : words[0], words[1], std::stoi(words[2]), ""});
  }
  return found;
}

TEST(AdapterChoice, PicksTheAdapterNamedOrTheOnlyOneElseSaysWhy) {
  for (const auto& row : support::golden("ftdi_choice.txt")) {
    const auto columns = support::fields(row);
    const auto found = adapters(columns[0]);
    bus::FtdiAddress address;
    const auto slash = columns[1].find('/');
    address.serial = columns[1].substr(0, slash) == "(none)" ? "" : columns[1].substr(0, slash);
    if (slash != std::string::npos) address.channel = columns[1][slash + 1] - 'A';
    std::string chosen;
    const std::string failure = support::failure_of([&] {
      chosen = bus::identity_of(
          bus::choose_adapter(found, address, "046d:c52b (USB Receiver)", "Fix the access"));
    });
    EXPECT_EQ(failure == "no failure" ? chosen : failure, columns[2]) << row;
  }
}

}  // namespace
