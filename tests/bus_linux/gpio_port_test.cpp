#include "bus_linux/gpio_port.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <optional>
#include <tuple>

#include "fake_gpio_chips.hpp"
#include "fake_kernel.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

class GpioPortTest : public ::testing::Test {
 protected:
  void SetUp() override { fake_gpio::reset(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::unique_ptr<bus::GpioPort> port(const std::string& chip, std::array<std::string, 3> lines,
                                      std::optional<std::string> lock = std::nullopt) {
    return std::make_unique<bus::GpioPort>(chip, lines, lock, fake_gpio::system_calls(), dir);
  }
  static void send(bus::Port& port, const char* word) {
    support::send_words(port, {{0, word}, {0, "rest"}});
  }
  // Sends Word A for 11690, then reads the lock line and its changes when there is one.
  std::string failure(const std::string& chip, std::array<std::string, 3> lines,
                      std::optional<std::string> lock = std::nullopt) {
    return support::failure_of([&] {
      const auto gpio = port(chip, lines, lock);
      send(*gpio, "0010110110101010");
      if (!lock) return;
      gpio->lock_level();
      gpio->take_lock_changes();
    });
  }
  // The calls so far, the test's folder written DIR.
  std::vector<std::string> calls() const {
    auto calls = fake_kernel::calls();
    for (auto& call : calls) {
      if (call.starts_with("open " + dir.string()))
        call = "open DIR" + call.substr(5 + dir.string().size());
    }
    return calls;
  }

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("gpio-" + std::to_string(::getpid()));
};

TEST_F(GpioPortTest, RequestsTheLinesAtRestThenSetsOnlyTheLinesThatChange) {
  std::vector<std::string> lines;
  for (const auto& lock : {std::optional<std::string>(), std::optional<std::string>("23")}) {
    fake_gpio::reset(dir);
    fake_gpio::chips()[0].lines[23].high = true;
    auto gpio = port((dir / "gpiochip0").string(), {"17", "27", "22"}, lock);
    send(*gpio, "1");
    const auto level = lock ? std::optional(gpio->lock_level()) : std::nullopt;
    gpio.reset();
    lines.push_back("case lines 17,27,22" + (lock ? " and lock " + *lock : ""));
    const auto made = calls();
    lines.insert(lines.end(), made.begin(), made.end());
    if (level) lines.push_back(*level ? "lock high" : "lock low");
  }
  support::expect_golden(lines, "gpio_calls.txt");
}

// The lock line's level is that line's alone, whichever lines are high around it.
TEST_F(GpioPortTest, ReadsTheLockLineAlone) {
  struct Row {
    std::string lock;
    std::vector<int> high;  // the lines that read high
    const char* level;
    const char* named;
  };
  const Row rows[] = {
      {"23", {23}, "high", "line 23 of gpiochip0"},
      {"23", {17, 27, 22, 24}, "low", "line 23 of gpiochip0"},
      {"GPIO5", {5}, "high", "line GPIO5 of gpiochip0"},
      {"GPIO5", {}, "low", "line GPIO5 of gpiochip0"},
  };
  for (const auto& row : rows) {
    fake_gpio::reset(dir);
    for (const int line : row.high) fake_gpio::chips()[0].lines[line].high = true;
    const auto gpio = port("gpiochip0", {"17", "27", "22"}, row.lock);
    send(*gpio, "");
    EXPECT_EQ(gpio->lock_level() ? "high" : "low", std::string(row.level)) << row.lock;
    EXPECT_EQ(gpio->lock_line(), row.named);
  }
  EXPECT_FALSE(port("gpiochip0", {"17", "27", "22"})->lock_line());
}

// A chip whose driver refuses the pull-up (Linux grants one that a driver cannot make as if it
// were made) gets the lock line without it, and the user is told; a chip without interrupts,
// without edge events, its line then looked at. Any other refusal stands.
TEST_F(GpioPortTest, TakesTheLockLineWithWhatTheChipCanDo) {
  const std::string request =
      "GET_LINE offsets 0,1,2,3 consumer saa1057-panel flags OUTPUT output-values 0000/0111 "
      "flags ";
  const std::string all = request + "INPUT|BIAS_PULL_UP|EDGE_RISING|EDGE_FALLING/1000";
  const std::string no_pull_up = request + "INPUT|EDGE_RISING|EDGE_FALLING/1000";
  const std::string no_edges = request + "INPUT|BIAS_PULL_UP/1000";
  const std::string bare = request + "INPUT/1000";
  const std::string caveat =
      "The chip refused the pull-up on line 3 of gpiochip1 [usb-adapter]: fit a 10 kOhm resistor "
      "from it to the chip's I/O voltage, or the line floats";
  const struct {
    int bias_error;
    bool interrupts;
    std::vector<std::string> requests;
    bool edges;
    std::optional<std::string> caveat;
  } rows[] = {
      {0, true, {all}, true, std::nullopt},
      {EOPNOTSUPP, true, {all, no_pull_up}, true, caveat},
      {EINVAL, true, {all, no_pull_up}, true, caveat},
      {0, false, {all, no_edges}, false, std::nullopt},
      {EINVAL, false, {all, no_pull_up, bare}, false, caveat},
  };
  for (const auto& row : rows) {
    fake_gpio::reset(dir);
    fake_gpio::chips()[1].bias_error = row.bias_error;
    fake_gpio::chips()[1].interrupts = row.interrupts;
    fake_gpio::chips()[1].lines[3].high = true;
    const auto gpio = port("gpiochip1", {"0", "1", "2"}, "3");
    send(*gpio, "");
    EXPECT_TRUE(gpio->lock_level()) << row.bias_error;
    std::vector<std::string> made;
    std::ranges::copy_if(fake_kernel::calls(), std::back_inserter(made),
                         [](const std::string& call) { return call.starts_with("GET_LINE"); });
    EXPECT_EQ(made, row.requests) << row.bias_error;
    EXPECT_EQ(gpio->lock_changes() >= 0, row.edges) << row.bias_error;
    EXPECT_EQ(gpio->lock_line_caveat(), row.caveat) << row.bias_error;
  }
  // What the edges say: whether the line fell since the last time they were taken.
  const std::pair<std::vector<std::uint32_t>, bool> told[] = {
      {{GPIO_V2_LINE_EVENT_RISING_EDGE}, false},
      {{GPIO_V2_LINE_EVENT_FALLING_EDGE, GPIO_V2_LINE_EVENT_RISING_EDGE}, true},
  };
  for (const auto& [edges, fell] : told) {
    fake_gpio::reset(dir);
    fake_gpio::edges() = edges;
    const auto gpio = port("gpiochip1", {"0", "1", "2"}, "3");
    send(*gpio, "");
    EXPECT_EQ(gpio->take_lock_changes(), fell) << edges.size();
  }
  fake_gpio::reset(dir);
  fake_gpio::chips()[1].bias_error = EPERM;
  EXPECT_EQ(failure("gpiochip1", {"0", "1", "2"}, "3"),
            "Cannot request lines 0,1,2,3 of gpiochip1 [usb-adapter]: Operation not permitted. "
            "Wire the bus to other lines, or try --simulate.");
}

TEST_F(GpioPortTest, FindsChipsByNameOrLabelAndLinesByName) {
  send(*port("gpiochip1", {"GP3", "GP0", "1"}), "");
  EXPECT_THAT(fake_kernel::calls(), Contains(HasSubstr("GET_LINE offsets 3,0,1 ")));
  fake_gpio::reset(dir);
  send(*port("pinctrl-bcm2711", {"GPIO17", "GPIO27", "GPIO22"}), "");
  EXPECT_THAT(fake_kernel::calls(), Contains(HasSubstr("GET_LINE offsets 17,27,22 ")));
}

// Every failure names the chip or line and the reason, says what to do, and leaves no chip open.
TEST_F(GpioPortTest, FailuresSayWhatFailedWhyAndWhatToDo) {
  for (const auto& row : support::golden("gpio_failures.txt")) {
    const auto columns = support::fields(row);
    fake_gpio::reset(dir);
    if (columns[2] != "-") {
      fake_kernel::reset(columns[2], std::stoi(columns[3]), std::stoi(columns[4]));
    }
    for (const auto& held : support::split(columns[5], ";")) {
      if (held == "-") continue;
      const auto line_and_consumer = support::split(held, "=");
      auto& line = fake_gpio::chips()[0].lines[std::stoul(line_and_consumer[0])];
      line.consumer = line_and_consumer[1];
      if (line_and_consumer[0].ends_with('*')) line.name.clear();
    }
    const auto lines = support::split(columns[1], ",");
    const auto lock = lines.size() > 3 ? std::optional(lines[3]) : std::nullopt;
    EXPECT_EQ(failure(columns[0], {lines[0], lines[1], lines[2]}, lock), columns[6]) << row;
    EXPECT_EQ(fake_gpio::open_descriptors(), 0) << row;
  }
}

// A chip the kernel lists with no lines at all (a driver that offers none yet).
TEST_F(GpioPortTest, AChipWithoutLinesSaysSo) {
  fake_gpio::chips()[1].lines.clear();
  const std::string way_out =
      ": it has no lines. Give each line's offset or its name as gpioinfo gpiochip1 shows it, or "
      "try --simulate.";
  EXPECT_EQ(failure("gpiochip1", {"0", "1", "2"}),
            "gpiochip1 [usb-adapter] has no line 0 (the clock)" + way_out);
}

// On a machine without GPIO, the way out leads away from GPIO.
TEST_F(GpioPortTest, AMachineWithoutChipsIsToldToUseAParallelPort) {
  for (const char* chip : {"gpiochip0", "gpiochip1"}) std::filesystem::remove(dir / chip);
  EXPECT_EQ(failure("gpiochip0", {"17", "27", "22"}),
            "Cannot open GPIO chip gpiochip0: No such file or directory. This machine has no GPIO "
            "chip (" +
                dir.string() +
                "/gpiochip*). Wire the bus to a parallel port (--port "
                "/dev/parportN) or to a machine with GPIO lines, or try --simulate.");
}

}  // namespace
