#include "fake_gpio_chips.hpp"

#include <fcntl.h>
#include <linux/gpio.h>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "fake_kernel.hpp"

namespace fake_gpio {

namespace {

constexpr int kFirstChipFd = 20;
constexpr int kRequestFd = 40;
constexpr std::uint64_t kBias = GPIO_V2_LINE_FLAG_BIAS_PULL_UP | GPIO_V2_LINE_FLAG_BIAS_PULL_DOWN;
constexpr std::uint64_t kEdges = GPIO_V2_LINE_FLAG_EDGE_RISING | GPIO_V2_LINE_FLAG_EDGE_FALLING;

std::filesystem::path chip_dir;
int open_count = 0;
// The request granted last, and on which chip.
gpio_v2_line_request granted{};
Chip* granted_chip = nullptr;

int fail(int error_number) {
  errno = error_number;
  return -1;
}

void put(char (&field)[GPIO_MAX_NAME_SIZE], const std::string& text) {
  field[text.copy(field, sizeof field - 1)] = '\0';
}

// The `width` lowest bits, line 0 rightmost: "001".
std::string bits(std::uint64_t value, unsigned width) {
  return std::bitset<64>(value).to_string().substr(64 - width);
}

std::string flag_names(std::uint64_t flags) {
  const std::pair<std::uint64_t, const char*> kNames[] = {
      {GPIO_V2_LINE_FLAG_INPUT, "INPUT"},
      {GPIO_V2_LINE_FLAG_OUTPUT, "OUTPUT"},
      {GPIO_V2_LINE_FLAG_BIAS_PULL_UP, "BIAS_PULL_UP"},
      {GPIO_V2_LINE_FLAG_BIAS_PULL_DOWN, "BIAS_PULL_DOWN"},
      {GPIO_V2_LINE_FLAG_EDGE_RISING, "EDGE_RISING"},
      {GPIO_V2_LINE_FLAG_EDGE_FALLING, "EDGE_FALLING"}};
  std::string names;
  for (const auto& [flag, name] : kNames) {
    if (!(flags & flag)) continue;
    names += (names.empty() ? "" : "|") + std::string(name);
    flags &= ~flag;
  }
  return flags == 0 ? names : names + (names.empty() ? "" : "|") + "other";
}

// "offsets 17,27,22 consumer saa1057-panel flags OUTPUT output-values 000/111", and a line's own
// flags as "flags INPUT|BIAS_PULL_UP/1000".
std::string describe(const gpio_v2_line_request& request) {
  std::string text = "offsets ";
  for (std::uint32_t i = 0; i < request.num_lines; ++i) {
    text += (i ? "," : "") + std::to_string(request.offsets[i]);
  }
  text += std::string(" consumer ") + request.consumer + " flags " +
          (request.config.flags == GPIO_V2_LINE_FLAG_OUTPUT ? "OUTPUT" : "other");
  for (std::uint32_t i = 0; i < request.config.num_attrs; ++i) {
    const auto& attribute = request.config.attrs[i];
    switch (attribute.attr.id) {
      case GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES:
        text += " output-values " + bits(attribute.attr.values, request.num_lines);
        break;
      case GPIO_V2_LINE_ATTR_ID_FLAGS:
        text += " flags " + flag_names(attribute.attr.flags);
        break;
      default:
        text += " other";
    }
    text += "/" + bits(attribute.mask, request.num_lines);
  }
  return text;
}

Chip* chip_of(int fd) {
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
  return fail(ENOENT);
}

// As the kernel validates the lines asked for and their flags: a bias only on an input or an
// output.
int get_line(Chip& chip, gpio_v2_line_request& request) {
  for (std::uint32_t i = 0; i < request.num_lines; ++i) {
    if (request.offsets[i] >= chip.lines.size()) return fail(EINVAL);
    if (!chip.lines[request.offsets[i]].consumer.empty()) return fail(EBUSY);
  }
  for (std::uint32_t i = 0; i < request.config.num_attrs; ++i) {
    const auto& attribute = request.config.attrs[i];
    if (attribute.attr.id != GPIO_V2_LINE_ATTR_ID_FLAGS) continue;
    const auto flags = attribute.attr.flags;
    if (!(flags & (GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT)) && (flags & kBias)) {
      return fail(EINVAL);
    }
    if (chip.bias_error != 0 && (flags & kBias)) return fail(chip.bias_error);
    if (!chip.interrupts && (flags & kEdges)) return fail(ENXIO);
  }
  request.fd = kRequestFd;
  ++open_count;
  granted = request;
  granted_chip = &chip;
  return 0;
}

int chip_ioctl(Chip& chip, unsigned long request, void* argument) {
  switch (request) {
    case GPIO_GET_CHIPINFO_IOCTL: {
      if (fake_kernel::record("CHIPINFO", "")) return -1;
      auto& info = *static_cast<gpiochip_info*>(argument);
      put(info.name, chip.name);
      put(info.label, chip.label);
      info.lines = static_cast<std::uint32_t>(chip.lines.size());
      return 0;
    }
    case GPIO_V2_GET_LINEINFO_IOCTL: {
      auto& info = *static_cast<gpio_v2_line_info*>(argument);
      if (fake_kernel::record("LINEINFO", std::to_string(info.offset))) return -1;
      if (info.offset >= chip.lines.size()) return fail(EINVAL);
      const Line& line = chip.lines[info.offset];
      put(info.name, line.name);
      put(info.consumer, line.consumer);
      info.flags = line.consumer.empty() ? 0 : GPIO_V2_LINE_FLAG_USED;
      return 0;
    }
    case GPIO_V2_GET_LINE_IOCTL: {
      auto& asked = *static_cast<gpio_v2_line_request*>(argument);
      return fake_kernel::record("GET_LINE", describe(asked)) ? -1 : get_line(chip, asked);
    }
    default:
      return fail(ENOTTY);
  }
}

// Set- and get-values as the kernel takes them on the request granted: EINVAL for an empty mask
// or one beyond the lines, which for a set are the first three, the outputs.
int values_ioctl(unsigned long request, gpio_v2_line_values& values) {
  const bool set = request == GPIO_V2_LINE_SET_VALUES_IOCTL;
  const unsigned width = set ? 3 : granted.num_lines;
  if (set ? fake_kernel::record("SET", bits(values.bits, 3) + "/" + bits(values.mask, 3))
          : fake_kernel::record("GET", bits(values.mask, width))) {
    return -1;
  }
  const std::uint64_t lines = (std::uint64_t{1} << width) - 1;
  if (values.mask == 0 || (values.mask & ~lines)) return fail(EINVAL);
  if (set) return 0;
  values.bits = 0;
  for (std::uint32_t i = 0; i < granted.num_lines; ++i) {
    if ((values.mask >> i & 1) && granted_chip->lines[granted.offsets[i]].high) {
      values.bits |= 1u << i;
    }
  }
  return 0;
}

int fake_ioctl(int fd, unsigned long request, void* argument) {
  if (fd == kRequestFd &&
      (request == GPIO_V2_LINE_SET_VALUES_IOCTL || request == GPIO_V2_LINE_GET_VALUES_IOCTL)) {
    return values_ioctl(request, *static_cast<gpio_v2_line_values*>(argument));
  }
  Chip* chip = chip_of(fd);
  if (!chip) return fake_kernel::record("ioctl?", "") ? -1 : fail(EBADF);
  return chip_ioctl(*chip, request, argument);
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

std::vector<Line> numbered_lines(const std::string& prefix, int count) {
  std::vector<Line> lines;
  for (int i = 0; i < count; ++i) lines.push_back({prefix + std::to_string(i), ""});
  return lines;
}

}  // namespace

void reset(const std::filesystem::path& dir) {
  fake_kernel::reset();
  chip_dir = dir;
  open_count = 0;
  edges().clear();
  chips() = {{"gpiochip0", "pinctrl-bcm2711", numbered_lines("GPIO", 28)},
             {"gpiochip1", "usb-adapter", numbered_lines("GP", 4)}};
  std::filesystem::create_directories(dir);
  for (const auto& chip : chips()) std::ofstream(dir / chip.name).flush();
}

std::vector<Chip>& chips() {
  static std::vector<Chip> all;
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
