#include "bus_linux/gpio_port.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

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

  std::unique_ptr<bus::GpioPort> port(const std::string& chip, std::array<std::string, 3> lines) {
    return std::make_unique<bus::GpioPort>(chip, lines, fake_gpio::system_calls(), dir);
  }
  static void send(bus::Port& port, const char* word) {
    support::send_words(port, {{0, word}, {0, "rest"}});
  }
  std::string failure(const std::string& chip, std::array<std::string, 3> lines) {
    return support::failure_of([&] { send(*port(chip, lines), "0010110110101010"); });
  }

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("gpio-" + std::to_string(::getpid()));
};

TEST_F(GpioPortTest, RequestsTheLinesAtRestThenSetsOnlyTheLinesThatChange) {
  auto gpio = port((dir / "gpiochip0").string(), {"17", "27", "22"});
  send(*gpio, "1");
  gpio.reset();
  auto calls = fake_kernel::calls();
  for (auto& call : calls) {
    if (call.starts_with("open " + dir.string()))
      call = "open DIR" + call.substr(5 + dir.string().size());
  }
  support::expect_golden(calls, "gpio_calls.txt");
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
    EXPECT_EQ(failure(columns[0], {lines[0], lines[1], lines[2]}), columns[6]) << row;
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
