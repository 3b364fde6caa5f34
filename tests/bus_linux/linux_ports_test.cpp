#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/gpio.h>

#include <cerrno>
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
        parts[1].starts_with("DIR/") ? (kDir / parts[1].substr(4)).string() : parts[1],
        std::array{lines[0], lines[1], lines[2]},
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

// The word "10" (send_10.txt) through each back end, lock line 23 high, parport0 idle.
TEST_F(LinuxPorts, SendAWordThroughTheKernelAndGiveThePortBack) {
  const struct {
    const char* port;
    std::vector<fake_kernel::Refusal> refusals;
    const char* golden;
  } cases[] = {
      {"ppdev", {{"PPEXCL", EBUSY}}, "ppdev_calls.txt"},
      {"ppdev", {{"PPCLAIM", ENXIO, 0, 1}}, "ppdev_shared_calls.txt"},
      {"raw", {}, "raw_io_calls.txt"},
      {"gpio:DIR/gpiochip0:17,27,22", {}, "gpio_calls.txt"},
      {"gpio:gpiochip0:17,27,22,23", {}, "gpio_lock_calls.txt"},
  };
  for (const auto& [name, refusals, golden] : cases) {
    fake_kernel::reset(refusals);
    publish("devices/active", "none\n");
    kernel.levels = 1 << 23;
    auto port = port_of(name);
    if (!port) continue;
    support::send_short_word(*port);
    if (port->lock_line()) kernel.calls.push_back(port->lock_level() ? "lock high" : "lock low");
    if (const auto caveat = port->lock_line_caveat()) kernel.calls.push_back(*caveat);
    port.reset();
    support::expect_golden(kernel.calls, golden);
  }
}

// The lock line after the word: its level alone, its name, the one call that read it; for GPIO,
// the lines requested, the chip found by its name or label and each line by offset or name.
TEST_F(LinuxPorts, ReadTheLockLineAloneAfterTheWord) {
  for (const auto& row : support::golden("lock_pins.txt")) {
    const auto columns = support::fields(row);
    fake_kernel::reset();
    const auto port = port_of(columns[0]);
    if (!port) continue;
    support::send_short_word(*port);
    const auto calls_of_the_word = kernel.calls.size();
    kernel.levels = std::stoull(columns[1], nullptr, 16);
    EXPECT_EQ(port->lock_level() ? "high" : "low", columns[2]) << row;
    EXPECT_EQ(port->lock_line(), columns[3]) << row;
    EXPECT_EQ(std::vector(kernel.calls.begin() + calls_of_the_word, kernel.calls.end()),
              std::vector{columns[4]})
        << row;
    if (columns.size() > 5) {
      EXPECT_THAT(kernel.calls,
                  testing::Contains(testing::StartsWith("GET_LINE " + columns[5] + " ")));
    }
  }
}

// A chip whose driver refuses the pull-up (Linux grants one that a driver cannot make as if it
// were made) gets the lock line without it, and the user is told; a chip without interrupts,
// without edge events, its line then looked at. The edges say whether the line fell.
TEST_F(LinuxPorts, TakeTheGpioLockLineWithWhatTheChipCanDo) {
  const fake_kernel::Refusal no_pull_up{"GET_LINE", EINVAL, 0, -1, "PULL_UP"};
  const fake_kernel::Refusal no_edges{"GET_LINE", ENXIO, 0, -1, "EDGE"};
  const struct {
    const char* name;
    std::vector<fake_kernel::Refusal> refusals;
    std::vector<std::uint32_t> told;
  } cases[] = {
      {"all granted, a rise told", {}, {GPIO_V2_LINE_EVENT_RISING_EDGE}},
      {"pull-up refused (EOPNOTSUPP), a fall and a rise told",
       {{"GET_LINE", EOPNOTSUPP, 0, -1, "PULL_UP"}},
       {GPIO_V2_LINE_EVENT_FALLING_EDGE, GPIO_V2_LINE_EVENT_RISING_EDGE}},
      {"pull-up refused (EINVAL)", {no_pull_up}, {}},
      {"edges refused", {no_edges}, {}},
      {"pull-up and edges refused", {no_pull_up, no_edges}, {}},
  };
  std::vector<std::string> lines;
  for (const auto& [name, refusals, told] : cases) {
    fake_kernel::reset(refusals);
    kernel.edges = told;
    const auto gpio = port_of("gpio:gpiochip1:0,1,2,3");
    support::send_short_word(*gpio);
    lines.push_back(std::string("case ") + name);
    std::ranges::copy_if(kernel.calls, std::back_inserter(lines),
                         [](const std::string& call) { return call.starts_with("GET_LINE"); });
    lines.push_back(std::string(gpio->lock_changes() >= 0 ? "edges" : "no edges") +
                    (gpio->take_lock_changes() ? ", fell" : ", no fall"));
    lines.push_back(gpio->lock_line_caveat().value_or("no caveat"));
  }
  support::expect_golden(lines, "gpio_lock_line.txt");
}

// Every failure names what failed and where, the system's reason and the way out, and leaves
// nothing open.
TEST_F(LinuxPorts, AFailedCallSaysWhatFailedWhyAndWhatToDo) {
  for (const auto& row : support::golden("port_failures.txt")) {
    const auto columns = support::fields(row);
    fake_kernel::reset({{columns[1], std::stoi(columns[2]), std::stoi(columns[3]),
                         columns[4] == "-" ? -1 : std::stoi(columns[4])}});
    for (const auto& state : support::split(columns[5], "; ")) {
      const auto line_and_user = support::split(state, "=");
      if (state == "no chips") {
        fs::remove_all(kDir);
      } else if (state == "gpiochip1 has no lines") {
        kernel.chips[1].lines.clear();
      } else if (state.starts_with("parport0 held by ")) {
        publish("devices/active", state.substr(17));
      } else if (line_and_user.size() == 2) {
        const auto offset = static_cast<std::uint32_t>(std::stoul(line_and_user[0]));
        kernel.chips[0].users[offset] = line_and_user[1];
        if (line_and_user[0].ends_with('*')) kernel.chips[0].lines[offset].clear();
      }
    }
    const std::string failure = support::failure_of([&columns] {
      const auto port = port_of(columns[0]);
      if (!port) return;
      support::send_short_word(*port);
      if (!port->lock_line()) return;
      port->lock_level();
      port->take_lock_changes();
    });
    if (failure == "no failure" && columns[0].starts_with("raw")) continue;
    EXPECT_EQ(fake_kernel::written(failure), columns[6]) << row;
    EXPECT_EQ(kernel.open, 0) << row;
    if (columns.size() > 7) {
      EXPECT_EQ(kernel.calls.back(), columns[7]) << row;
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
