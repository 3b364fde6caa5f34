#include "bus/gpio_port.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <optional>

#include "bus/inpout.hpp"
#include "bus/transmitter.hpp"
#include "common/fatal_error.hpp"
#include "fake_gpio_chips.hpp"
#include "fake_kernel.hpp"
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
    bus::Inpout library{port};
    const bus::BusSettings settings{888, 0};
    const bus::Transmitter transmitter{settings, library, support::counting_spin};
    transmitter.Send(word);
    transmitter.rest_lines();
  }
  std::string failure(const std::string& chip, std::array<std::string, 3> lines) {
    try {
      send(*port(chip, lines), "0010110110101010");
    } catch (const common::FatalError& error) {
      return error.what();
    }
    return "no failure";
  }

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("gpio-" + std::to_string(::getpid()));
};

TEST_F(GpioPortTest, RequestsTheLinesAtRestThenSetsOnlyTheLinesThatChange) {
  auto gpio = port((dir / "gpiochip0").string(), {"17", "27", "22"});
  EXPECT_EQ(gpio->name(), dir.string() + "/gpiochip0 lines 17,27,22 (GPIO)");
  send(*gpio, "1");
  gpio.reset();
  // Send "1" as the chip's pins see it: enable up, the leading zero's clock pulse, data up,
  // a clock pulse, data down, enable down, the load pulse. Line 0 is the clock, 1 the data, 2
  // the enable; writes that change nothing make no call.
  EXPECT_EQ(
      fake_kernel::calls(),
      (std::vector<std::string>{
          "open " + (dir / "gpiochip0").string(), "CHIPINFO",
          "GET_LINE offsets 17,27,22 consumer saa1057-panel flags OUTPUT output-values 000/111",
          "close chip", "SET 100/100", "SET 001/001", "SET 000/001", "SET 010/010", "SET 001/001",
          "SET 000/001", "SET 000/010", "SET 000/100", "SET 001/001", "SET 000/001",
          "close request"}));
}

TEST_F(GpioPortTest, FindsChipsByNameOrLabelAndLinesByName) {
  send(*port("gpiochip1", {"GP3", "GP0", "1"}), "");
  EXPECT_THAT(fake_kernel::calls(), Contains(HasSubstr("GET_LINE offsets 3,0,1 ")));
  fake_gpio::reset(dir);
  send(*port("pinctrl-bcm2711", {"GPIO17", "GPIO27", "GPIO22"}), "");
  EXPECT_THAT(fake_kernel::calls(), Contains(HasSubstr("GET_LINE offsets 17,27,22 ")));
  EXPECT_THAT(fake_kernel::calls(), Contains("open " + (dir / "gpiochip0").string()));
}

struct Failure {
  const char* case_name;
  std::function<void()> arrange;
  std::string chip;
  std::array<std::string, 3> lines;
  std::vector<std::string> message_parts;
  friend void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.case_name; }
};

class GpioFailures : public GpioPortTest, public ::testing::WithParamInterface<Failure> {};

// Every failure names the chip or line and the reason, says what to do, and leaves no chip open.
TEST_P(GpioFailures, SayWhatFailedWhyAndWhatToDo) {
  GetParam().arrange();
  const std::string message = failure(GetParam().chip, GetParam().lines);
  for (const auto& part : GetParam().message_parts) EXPECT_THAT(message, HasSubstr(part));
  EXPECT_EQ(fake_gpio::open_descriptors(), 0);
}

const std::string kChips =
    "This machine's GPIO chips: gpiochip0 [pinctrl-bcm2711] (28 lines); gpiochip1 "
    "[usb-adapter] (4 lines).";

INSTANTIATE_TEST_SUITE_P(
    Cases, GpioFailures,
    ::testing::Values(
        Failure{"NoChipByThatLabel",
                [] {},
                "pinctrl-rp1",
                {"17", "27", "22"},
                {"Cannot open GPIO chip pinctrl-rp1: No such file or directory. " + kChips,
                 "--simulate"}},
        Failure{"PermissionDenied",
                [] { fake_kernel::reset("open", EACCES); },
                "gpiochip0",
                {"17", "27", "22"},
                {"Cannot open GPIO chip gpiochip0: Permission denied.", "gpio group",
                 "usermod -aG gpio", "udev rule", "--simulate"}},
        Failure{"NotAChip",
                [] { fake_kernel::reset("CHIPINFO", ENOTTY); },
                "gpiochip1",
                {"1", "2", "3"},
                {"Cannot open GPIO chip gpiochip1: Inappropriate ioctl for device.", "gpiochip0"}},
        Failure{"NoLineOfThatName",
                [] {},
                "gpiochip0",
                {"GPIO17", "GPIO99", "GPIO22"},
                {"gpiochip0 [pinctrl-bcm2711] has no line named GPIO99 (the data line): its lines "
                 "are 0 to 27.",
                 "gpioinfo gpiochip0"}},
        Failure{"OffsetBeyondTheChip",
                [] {},
                "gpiochip1",
                {"0", "1", "4"},
                {"gpiochip1 [usb-adapter] has no line 4 (the enable): its lines are 0 to 3."}},
        Failure{"OneLineTwice",
                [] {},
                "gpiochip0",
                {"17", "GPIO17", "22"},
                {"The clock and the data line are both line 17 of gpiochip0 [pinctrl-bcm2711]."}},
        Failure{"LineInUse",
                [] { fake_gpio::chips()[0].lines[4].consumer = "w1-gpio"; },
                "gpiochip0",
                {"17", "GPIO4", "22"},
                {"Cannot request lines 17,GPIO4,22 of gpiochip0 [pinctrl-bcm2711]: Device or "
                 "resource busy. Line 4 (GPIO4) is in use by \"w1-gpio\". Free the line"}},
        Failure{"KernelWithoutUapiV2",
                [] { fake_kernel::reset("GET_LINE", ENOTTY); },
                "gpiochip0",
                {"17", "27", "22"},
                {"Inappropriate ioctl for device", "uAPI v2", "Linux 5.10"}},
        Failure{"OldKernelAskedForALineName",
                [] { fake_kernel::reset("LINEINFO", EINVAL); },
                "gpiochip0",
                {"GPIO17", "27", "22"},
                {"Cannot request line GPIO17 (the clock) of gpiochip0", "Linux 5.10"}},
        Failure{
            "AdapterUnpluggedMidWord",
            [] { fake_kernel::reset("SET", ENODEV, 5); },
            "gpiochip1",
            {"0", "1", "2"},
            {"Cannot set lines 0,1,2 of gpiochip1 [usb-adapter]: No such device.", "USB adapter"}}),
    [](const auto& info) { return std::string(info.param.case_name); });

}  // namespace
