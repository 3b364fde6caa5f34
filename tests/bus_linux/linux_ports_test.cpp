#include <gtest/gtest.h>
#include <linux/gpio.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bus/wiring.hpp"
#include "bus_linux/gpio_port.hpp"
#include "bus_linux/parport_discovery.hpp"
#include "bus_linux/ppdev_port.hpp"
#include "fake_kernel.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"
#ifdef SAA_HAVE_PORT_IO
#include "bus_linux/raw_io_port.hpp"
#endif

namespace {

namespace fs = std::filesystem;
using fake_kernel::kDir;
using fake_kernel::kernel;

// A port on the fake kernel, as the golden files write it: "ppdev" on /dev/parport0 or "raw" I/O
// at 0xfffd (none where raw I/O, x86's alone, is not built), ":N" for the lock line on status pin
// N; or "gpio:CHIP:CLOCK,DATA,ENABLE[,LOCK]". Raw I/O's calls are noted as "ioperm FROM COUNT ON",
// "outb PORT VALUE" and "inb PORT", which reads the status register's levels.
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
#ifdef SAA_HAVE_PORT_IO
  static constexpr bus::PortIoCalls kCalls{
      [](unsigned long from, unsigned long count, int on) {
        const auto numbers =
            std::to_string(from) + " " + std::to_string(count) + " " + std::to_string(on);
        return fake_kernel::refused("ioperm", numbers) ? -1 : 0;
      },
      [](unsigned char value, unsigned short at) {
        fake_kernel::refused("outb", std::to_string(at) + " " + std::to_string(value));
      },
      [](unsigned short at) {
        fake_kernel::refused("inb", std::to_string(at));
        return static_cast<unsigned char>(kernel.levels);
      }};
  return std::make_unique<bus::RawIoPort>(0xFFFD, pin, kCalls);
#else
  return nullptr;
#endif
}

// Writes the kernel's file `name` (under DIR) of the parallel ports.
void publish(const fs::path& name, const std::string& text) {
  fs::create_directories((kDir / name).parent_path());
  std::ofstream(kDir / name) << text;
}

struct LinuxPorts : ::testing::Test {
  void TearDown() override { fs::remove_all(kDir); }
};

// Each row of kernel_outcomes.txt and case of kernel_sessions.txt (a row and the calls that
// follow it): the word "10" through a back end, then the lock line: its level alone, its name,
// the one call that read it; for GPIO, the lines requested, the chip found by its name or label
// and each line by offset or name. Every failure names what failed and where, the system's reason
// and the way out. Nothing stays open. A port that is not built here skips its case.
TEST_F(LinuxPorts, SendAWordAndReadTheLockLineElseSayWhatFailedWhyAndWhatToDo) {
  std::vector<std::vector<std::string>> cases;
  for (const char* file : {"kernel_sessions.txt", "kernel_outcomes.txt"}) {
    for (const auto& row : support::golden(file)) {
      if (row.find(" | ") != std::string::npos) cases.emplace_back();
      cases.back().push_back(row);
    }
  }
  for (const auto& expected : cases) {
    const auto& row = expected[0];
    const auto columns = support::fields(row);
    fake_kernel::reset(columns[1]);
    for (const auto& state : support::split(columns[2], "; ")) {
      if (state == "no chips") {
        fs::remove_all(kDir);
      } else if (state == "gpiochip1 has no lines") {
        kernel.chips[1].lines.clear();
      } else if (state.starts_with("parport0 held by ")) {
        publish("parport0/devices/active", state.substr(17));
      } else if (state.starts_with("levels ")) {
        kernel.levels = std::stoull(state.substr(7), nullptr, 16);
      } else if (state.starts_with("edges ")) {
        for (const auto& edge : support::split(state.substr(6), " ")) {
          kernel.edges.emplace_back().id =
              edge == "rising" ? GPIO_V2_LINE_EVENT_RISING_EDGE : GPIO_V2_LINE_EVENT_FALLING_EDGE;
        }
      } else if (const auto line_and_user = support::split(state, "="); line_and_user.size() == 2) {
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
      support::send_words(*port, "10@100");
      if (port->lock_line()) {
        const auto calls_of_the_word = kernel.calls.size();
        const std::string level = port->lock_level() ? "high, " : "low, ";
        outcome =
            level + *port->lock_line() + ", read by " +
            (kernel.calls.size() == calls_of_the_word + 1 ? kernel.calls.back() : "not one call");
        const auto request = std::ranges::find_if(
            kernel.calls, [](const std::string& call) { return call.starts_with("GET_LINE "); });
        if (request != kernel.calls.end())
          outcome += " of lines " + support::split(*request, " ")[2];
        const bool fell = port->take_lock_changes();
        kernel.calls.push_back(std::string(port->lock_changes() >= 0 ? "edges" : "no edges") +
                               (fell ? ", fell" : ", no fall"));
      }
      if (const auto caveat = port->lock_line_caveat()) kernel.calls.push_back(*caveat);
    });
    // Only a port absent without a word is not built here: one that threw is checked.
    if (failure == "no failure" && outcome == "not built here") continue;
    EXPECT_EQ(failure == "no failure" ? outcome : failure, columns[3]) << row;
    EXPECT_EQ(kernel.open, 0) << row;
    // Each case lists every call, each row the last one of a parallel port's.
    if (columns.size() > 4) {
      EXPECT_EQ(kernel.calls.back(), columns[4]) << row;
    } else if (expected.size() > 1) {
      EXPECT_EQ(kernel.calls, std::vector(expected.begin() + 1, expected.end())) << row;
    }
  }
}

TEST_F(LinuxPorts, FindTheParallelPortAtTheStandardBaseElseTheFirst) {
  // The kernel says nothing.
  EXPECT_EQ(bus::standard_parport(kDir).path, "/dev/parport0");
  EXPECT_FALSE(bus::standard_parport(kDir).base);
  publish("parport0/base-addr", "53264\t0\n");
  EXPECT_EQ(bus::standard_parport(kDir).base, 0xD010);
  publish("parport1/base-addr", std::to_string(support::kStandardData) + "\t1912\n");
  publish("parport3/base-addr", "garbage\n");
  publish("default/base-addr", "");
  EXPECT_EQ(bus::standard_parport(kDir).path, "/dev/parport1");
  EXPECT_EQ(bus::parport_base("/dev/parport1", kDir), support::kStandardData);
  EXPECT_FALSE(bus::parport_base("/dev/parport3", kDir));
  EXPECT_FALSE(bus::parport_base("/tmp/parport1", kDir));
}

}  // namespace
