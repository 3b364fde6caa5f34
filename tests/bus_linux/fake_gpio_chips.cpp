#include "fake_gpio_chips.hpp"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "fake_kernel.hpp"

namespace fake_gpio {

namespace {

constexpr int kFirstChipFd = 20;
constexpr int kRequestFd = 40;

std::filesystem::path chip_dir;
int open_count = 0;
// The request granted last, and on which chip.
gpio_v2_line_request granted{};
std::size_t granted_chip = 0;

gpio_model::Chip* chip_of(int fd) {
  const auto index = static_cast<std::size_t>(fd - kFirstChipFd);
  return fd >= kFirstChipFd && index < chips().size() ? &chips()[index] : nullptr;
}

int fake_open(const char* path, int flags) {
  const bool read_write = (flags & O_ACCMODE) == O_RDWR && (flags & O_CLOEXEC);
  if (fake_kernel::record("open",
                          path + std::string(read_write ? "" : " (not O_RDWR|O_CLOEXEC)"))) {
    return -1;
  }
  for (std::size_t i = 0; i < chips().size(); ++i) {
    if (chip_dir / chips()[i].name != path) continue;
    ++open_count;
    return kFirstChipFd + static_cast<int>(i);
  }
  errno = ENOENT;
  return -1;
}

std::string recorded(unsigned long request, void* argument) {
  switch (request) {
    case GPIO_GET_CHIPINFO_IOCTL:
      return "CHIPINFO";
    case GPIO_V2_GET_LINEINFO_IOCTL:
      return "LINEINFO " + std::to_string(static_cast<gpio_v2_line_info*>(argument)->offset);
    case GPIO_V2_GET_LINE_IOCTL:
      return "GET_LINE " + gpio_model::describe(*static_cast<gpio_v2_line_request*>(argument));
    default:
      return "ioctl?";
  }
}

int fake_ioctl(int fd, unsigned long request, void* argument) {
  if (fd == kRequestFd && request == GPIO_V2_LINE_SET_VALUES_IOCTL) {
    const auto& values = *static_cast<gpio_v2_line_values*>(argument);
    if (fake_kernel::record("SET",
                            gpio_model::bits(values.bits) + "/" + gpio_model::bits(values.mask)))
      return -1;
    return gpio_model::check(values, 3);
  }
  if (fd == kRequestFd && request == GPIO_V2_LINE_GET_VALUES_IOCTL) {
    auto& values = *static_cast<gpio_v2_line_values*>(argument);
    if (fake_kernel::record("GET", gpio_model::bits(values.mask, granted.num_lines))) return -1;
    return gpio_model::get_values(chips()[granted_chip], granted, values);
  }
  const std::string call = recorded(request, argument);
  const auto space = call.find(' ');
  if (fake_kernel::record(call.substr(0, space),
                          space == std::string::npos ? "" : call.substr(space + 1)))
    return -1;
  gpio_model::Chip* chip = chip_of(fd);
  const int result = chip ? gpio_model::answer(*chip, request, argument, kRequestFd) : -1;
  if (result == 0 && request == GPIO_V2_GET_LINE_IOCTL) {
    ++open_count;
    granted = *static_cast<gpio_v2_line_request*>(argument);
    granted_chip = static_cast<std::size_t>(fd - kFirstChipFd);
  }
  return result;
}

int fake_close(int fd) {
  const char* what = fd == kRequestFd ? "request" : chip_of(fd) ? "chip" : "bad-fd";
  // Linux frees the descriptor even when close reports an error.
  if (std::string(what) != "bad-fd") --open_count;
  return fake_kernel::record("close", what) ? -1 : 0;
}

ssize_t fake_read(int fd, void* buffer, std::size_t size) {
  if (fake_kernel::record("read", fd == kRequestFd ? "request" : "bad-fd")) return -1;
  std::vector<gpio_v2_line_event> events(edges().size());
  for (std::size_t i = 0; i < events.size(); ++i) events[i].id = edges()[i];
  const std::size_t length = std::min(size, events.size() * sizeof events[0]);
  std::memcpy(buffer, events.data(), length);
  return static_cast<ssize_t>(length);
}

}  // namespace

void reset(const std::filesystem::path& dir) {
  fake_kernel::reset();
  chip_dir = dir;
  open_count = 0;
  edges().clear();
  chips() = {{"gpiochip0", "pinctrl-bcm2711", gpio_model::numbered_lines("GPIO", 28)},
             {"gpiochip1", "usb-adapter", gpio_model::numbered_lines("GP", 4)}};
  std::filesystem::create_directories(dir);
  for (const auto& chip : chips()) std::ofstream(dir / chip.name).flush();
}

std::vector<gpio_model::Chip>& chips() {
  static std::vector<gpio_model::Chip> all;
  return all;
}

std::vector<std::uint32_t>& edges() {
  static std::vector<std::uint32_t> told;
  return told;
}

int open_descriptors() { return open_count; }

const bus::SystemCalls& system_calls() {
  static constexpr bus::SystemCalls kCalls{fake_open, fake_ioctl, fake_close, fake_read};
  return kCalls;
}

}  // namespace fake_gpio
