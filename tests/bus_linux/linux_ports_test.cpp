#include <gtest/gtest.h>
#include <linux/gpio.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bus_linux/gpio_port.hpp"
#include "bus_linux/parport_discovery.hpp"
#include "bus_linux/ppdev_port.hpp"
#include "fake_kernel.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

namespace fs = std::filesystem;
using fake_kernel::kDir;
using fake_kernel::kernel;

// A port on the fake kernel, as the golden files write it: "ppdev" on /dev/parport0 or "raw" I/O
// at 0xfffd (none where raw I/O is not built), ":N" for the lock line on status pin N; or
// "gpio:CHIP:CLOCK,DATA,ENABLE[,LOCK]".
std::unique_ptr<bus::Port> port_of(const std::string& name) {
  const auto parts = support::split(name, ":");
  if (parts[0] == "gpio") {
    const auto lines = support::split(parts[2], ",");
    return std::make_unique<bus::GpioPort>(
        parts[1], std::array{lines[0], lines[1], lines[2]},
        lines.size() > 3 ? std::optional(lines[3]) : std::nullopt, fake_kernel::system_calls(),
        kDir);
  }
  const auto pin = parts.size() > 1 ? bus::status_pin(std::stoi(parts[1])) : std::nullopt;
  if (parts[0] == "ppdev") {
    return std::make_unique<bus::PpdevPort>("/dev/parport0", support::kStandardData, pin,
                                            fake_kernel::system_calls(), kDir);
  }
  return fake_kernel::raw_io_port(0xFFFD, pin);
}

// Publishes what the kernel's file `name` of parport0 says.
void publish(const std::string& name, const std::string& text) {
  fs::create_directories((kDir / "parport0" / name).parent_path());
  std::ofstream(kDir / "parport0" / name) << text;
}

class LinuxPorts : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(kDir); }
};

// Each case of kernel_sessions.txt: the word "10" through a back end, the lock line read after
// it, the port given back. A port that is not built here skips its case.
TEST_F(LinuxPorts, SendAWordThroughTheKernelAndGiveThePortBack) {
  std::vector<std::vector<std::string>> cases;
  for (const auto& row : support::golden("kernel_sessions.txt")) {
    if (row.starts_with("case ")) cases.emplace_back();
    cases.back().push_back(row);
  }
  for (const auto& expected : cases) {
    const auto columns = support::fields(expected[0].substr(5));
    fake_kernel::reset(columns[1]);
    publish("devices/active", "none\n");
    kernel.levels = 1 << 23;
    for (const auto& edge : support::split(columns[2] == "-" ? "" : columns[2], " ")) {
      kernel.edges.emplace_back().id =
          edge == "rising" ? GPIO_V2_LINE_EVENT_RISING_EDGE : GPIO_V2_LINE_EVENT_FALLING_EDGE;
    }
    auto port = port_of(columns[0]);
    if (!port) continue;
    support::send_short_word(*port);
    if (port->lock_line()) {
      const std::string level = port->lock_level() ? "lock high" : "lock low";
      const bool fell = port->take_lock_changes();
      kernel.calls.push_back(level + (port->lock_changes() >= 0 ? ", edges" : ", no edges") +
                             (fell ? ", fell" : ", no fall"));
    }
    if (const auto caveat = port->lock_line_caveat()) kernel.calls.push_back(*caveat);
    port.reset();
    EXPECT_EQ(kernel.calls, std::vector(expected.begin() + 1, expected.end())) << expected[0];
  }
}

// The lock line after the word: its level alone, its name, the one call that read it; for GPIO,
// the lines requested, the chip found by its name or label and each line by offset or name. Every
// failure names what failed and where, the system's reason and the way out. Nothing stays open.
TEST_F(LinuxPorts, ReadTheLockLineElseSayWhatFailedWhyAndWhatToDo) {
  for (const auto& row : support::golden("kernel_outcomes.txt")) {
    const auto columns = support::fields(row);
    fake_kernel::reset(columns[1]);
    for (const auto& state : support::split(columns[2], "; ")) {
      const auto line_and_user = support::split(state, "=");
      if (state == "no chips") {
        fs::remove_all(kDir);
      } else if (state == "gpiochip1 has no lines") {
        kernel.chips[1].lines.clear();
      } else if (state.starts_with("parport0 held by ")) {
        publish("devices/active", state.substr(17));
      } else if (state.starts_with("levels ")) {
        kernel.levels = std::stoull(state.substr(7), nullptr, 16);
      } else if (line_and_user.size() == 2) {
        const auto offset = static_cast<std::uint32_t>(std::stoul(line_and_user[0]));
        kernel.chips[0].users[offset] = line_and_user[1];
        if (line_and_user[0].ends_with('*')) kernel.chips[0].lines[offset].clear();
      }
    }
    std::string outcome = "not built here";
    const std::string failure = support::failure_of([&columns, &outcome] {
      const auto port = port_of(columns[0]);
      if (!port) return;
      outcome = "no lock line";
      support::send_short_word(*port);
      if (!port->lock_line()) return;
      const auto calls_of_the_word = kernel.calls.size();
      const std::string level = port->lock_level() ? "high, " : "low, ";
      outcome =
          level + *port->lock_line() + ", read by " +
          (kernel.calls.size() == calls_of_the_word + 1 ? kernel.calls.back() : "not one call");
      const auto request = std::ranges::find_if(
          kernel.calls, [](const std::string& call) { return call.starts_with("GET_LINE "); });
      if (request != kernel.calls.end()) outcome += " of lines " + support::split(*request, " ")[2];
      port->take_lock_changes();
    });
    if (outcome == "not built here") continue;
    EXPECT_EQ(failure == "no failure" ? outcome : failure, columns[3]) << row;
    EXPECT_EQ(kernel.open, 0) << row;
    if (columns.size() > 4) {
      EXPECT_EQ(kernel.calls.back(), columns[4]) << row;
    }
  }
}

TEST_F(LinuxPorts, FindTheParallelPortAtTheStandardBaseElseTheFirst) {
  const auto publish_base = [](const std::string& port, const std::string& base_addr) {
    fs::create_directories(kDir / port);
    std::ofstream(kDir / port / "base-addr") << base_addr;
  };
  EXPECT_EQ(bus::standard_parport(kDir).path,
            "/dev/parport0");  // the kernel says nothing
  EXPECT_FALSE(bus::standard_parport(kDir).base);
  publish_base("parport0", "53264\t0\n");
  EXPECT_EQ(bus::standard_parport(kDir).base, 0xD010);
  publish_base("parport1", std::to_string(support::kStandardData) + "\t1912\n");
  publish_base("parport3", "garbage\n");
  publish_base("default", "");
  EXPECT_EQ(bus::standard_parport(kDir).path, "/dev/parport1");
  EXPECT_EQ(bus::parport_base("/dev/parport1", kDir), support::kStandardData);
  EXPECT_FALSE(bus::parport_base("/dev/parport3", kDir));
  EXPECT_FALSE(bus::parport_base("/tmp/parport1", kDir));
}

}  // namespace
