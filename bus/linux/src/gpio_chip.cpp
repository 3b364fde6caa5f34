#include "bus_linux/gpio_chip.hpp"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "bus_linux/port_failure.hpp"
#include "common/failure_message.hpp"
#include "common/program_name.hpp"

namespace bus {

namespace fs = std::filesystem;

namespace {

// An attempt to open a chip and read its information: `fd` on success, else `error`.
struct Probe {
  int fd = -1;
  int error = 0;
  gpiochip_info info{};
};

Probe probe(const SystemCalls& calls, const fs::path& path) {
  Probe chip;
  chip.fd = calls.open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (chip.fd < 0) {
    chip.error = errno;
  } else if (calls.ioctl(chip.fd, GPIO_GET_CHIPINFO_IOCTL, &chip.info) != 0) {
    chip.error = errno;
    calls.close(chip.fd);
    chip.fd = -1;
  }
  return chip;
}

// The gpiochipN entries of `device_dir`, in the order of N.
std::vector<fs::path> chip_paths(const fs::path& device_dir) {
  std::vector<std::pair<unsigned, fs::path>> chips;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(device_dir, error)) {
    const std::string name = entry.path().filename().string();
    constexpr std::string_view kPrefix = "gpiochip";
    if (!name.starts_with(kPrefix)) continue;
    unsigned number = 0;
    const char* end = name.data() + name.size();
    if (std::from_chars(name.data() + kPrefix.size(), end, number).ptr != end) continue;
    chips.emplace_back(number, entry.path());
  }
  std::ranges::sort(chips);
  std::vector<fs::path> paths;
  for (auto& chip : chips) paths.push_back(std::move(chip.second));
  return paths;
}

std::string text_of(const char* field) {
  return std::string(field, strnlen(field, GPIO_MAX_NAME_SIZE));
}

// The first chip of `paths` that bears `label`. A chip that cannot be read may be the one meant,
// so its reason is the one given when none fits.
Probe labelled(const SystemCalls& calls, const std::vector<fs::path>& paths,
               const std::string& label) {
  Probe found{-1, ENOENT, {}};
  for (const auto& path : paths) {
    const Probe candidate = probe(calls, path);
    if (candidate.fd < 0) {
      found.error = candidate.error;
    } else if (text_of(candidate.info.label) == label) {
      return candidate;
    } else {
      calls.close(candidate.fd);
    }
  }
  return found;
}

std::optional<std::uint32_t> as_offset(const std::string& line) {
  std::uint32_t offset = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), offset);
  if (line.empty() || error != std::errc{} || end != line.data() + line.size()) return std::nullopt;
  return offset;
}

}  // namespace

std::string list_gpio_chips(const SystemCalls& calls, const fs::path& device_dir) {
  std::string list;
  for (const auto& path : chip_paths(device_dir)) {
    const Probe chip = probe(calls, path);
    if (!list.empty()) list += "; ";
    list += path.filename().string();
    if (chip.fd < 0) {
      list += std::string(" (") + std::strerror(chip.error) + ")";
      continue;
    }
    calls.close(chip.fd);
    list += " [" + text_of(chip.info.label) + "] (" + std::to_string(chip.info.lines) + " lines)";
  }
  if (list.empty())
    return "This machine has no GPIO chip (" + (device_dir / "gpiochip*").string() + ")";
  return "This machine's GPIO chips: " + list;
}

GpioChip::GpioChip(const std::string& chip, const SystemCalls& calls, const fs::path& device_dir)
    : calls_(calls) {
  const auto paths = chip_paths(device_dir);
  const auto named = std::ranges::find(paths, device_dir / chip);
  const Probe opened = named != paths.end()                  ? probe(calls, *named)
                       : chip.find('/') != std::string::npos ? probe(calls, chip)
                                                             : labelled(calls, paths, chip);
  if (opened.fd < 0) {
    port_failure(paths.empty() ? PortStep::gpio_none : PortStep::gpio_open, chip, opened.error,
                 list_gpio_chips(calls, device_dir));
  }
  fd_ = opened.fd;
  info_ = opened.info;
}

GpioChip::~GpioChip() { calls_.close(fd_); }

std::string GpioChip::description() const {
  return text_of(info_.name) + " [" + text_of(info_.label) + "]";
}

std::optional<gpio_v2_line_info> GpioChip::try_line_info(std::uint32_t offset) const {
  gpio_v2_line_info info{};
  info.offset = offset;
  if (calls_.ioctl(fd_, GPIO_V2_GET_LINEINFO_IOCTL, &info) != 0) return std::nullopt;
  return info;
}

std::uint32_t GpioChip::offset_of(const std::string& line, const char* role) const {
  const std::string lines = info_.lines == 0
                                ? std::string("it has no lines")
                                : "its lines are 0 to " + std::to_string(info_.lines - 1);
  const std::string way_out = common::or_try_simulate(
      "Give each line's offset or its name as gpioinfo " + text_of(info_.name) + " shows it");
  const std::string which = " (the " + std::string(role) + ")";
  if (const auto offset = as_offset(line)) {
    if (*offset < info_.lines) return *offset;
    throw common::failure(description() + " has no line " + line + which, lines, way_out);
  }
  const std::string where = "line " + line + which + " of " + description();
  for (std::uint32_t offset = 0; offset < info_.lines; ++offset) {
    const auto info = try_line_info(offset);
    if (!info) port_failure(PortStep::gpio_request, where, errno);
    if (text_of(info->name) == line) return offset;
  }
  throw common::failure(description() + " has no line named " + line + which, lines, way_out);
}

std::string GpioChip::users_of(std::span<const std::uint32_t> offsets) const {
  std::string users;
  for (const std::uint32_t offset : offsets) {
    const auto info = try_line_info(offset);
    if (!info || !(info->flags & GPIO_V2_LINE_FLAG_USED)) continue;
    const std::string name = text_of(info->name);
    if (!users.empty()) users += ". ";
    users += "Line " + std::to_string(offset) + (name.empty() ? "" : " (" + name + ")") +
             " is in use by \"" + text_of(info->consumer) + "\"";
  }
  return users;
}

GpioChip::Request GpioChip::request_lines(const std::array<std::uint32_t, 3>& outputs,
                                          std::uint64_t levels, std::optional<std::uint32_t> input,
                                          const std::string& where) const {
  gpio_v2_line_request request{};
  std::ranges::copy(outputs, request.offsets);
  request.num_lines = outputs.size();
  const auto consumer = common::kProgramName.substr(0, sizeof request.consumer - 1);
  std::ranges::copy(consumer, request.consumer);
  request.config.flags = GPIO_V2_LINE_FLAG_OUTPUT;
  request.config.num_attrs = 1;
  request.config.attrs[0].attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
  request.config.attrs[0].attr.values = levels;
  request.config.attrs[0].mask = (std::uint64_t{1} << outputs.size()) - 1;
  constexpr std::uint64_t kPullUp = GPIO_V2_LINE_FLAG_BIAS_PULL_UP;
  constexpr std::uint64_t kEdges = GPIO_V2_LINE_FLAG_EDGE_RISING | GPIO_V2_LINE_FLAG_EDGE_FALLING;
  auto& input_flags = request.config.attrs[1].attr.flags;
  if (input) {
    // The input's own flags, for its bit alone; the outputs keep the request's.
    auto& flags = request.config.attrs[request.config.num_attrs++];
    flags.attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
    flags.attr.flags = GPIO_V2_LINE_FLAG_INPUT | kPullUp | kEdges;
    flags.mask = std::uint64_t{1} << request.num_lines;
    request.offsets[request.num_lines++] = *input;
  }
  int granted = calls_.ioctl(fd_, GPIO_V2_GET_LINE_IOCTL, &request);
  // Linux grants a pull-up that a chip's driver cannot make as if made, but some drivers refuse
  // it (EINVAL, EOPNOTSUPP): the input is then taken as it is, and the pull-up must be a
  // resistor on the board, as on a parallel port. A chip without interrupts refuses edges
  // (ENXIO): its line is looked at instead.
  while (granted != 0 && input) {
    const int reason = errno;
    if (reason == ENXIO && (input_flags & kEdges)) {
      input_flags &= ~kEdges;
    } else if ((reason == EINVAL || reason == EOPNOTSUPP) && (input_flags & kPullUp)) {
      input_flags &= ~kPullUp;
    } else {
      errno = reason;
      break;
    }
    granted = calls_.ioctl(fd_, GPIO_V2_GET_LINE_IOCTL, &request);
  }
  if (granted != 0) {
    const int reason = errno;
    port_failure(PortStep::gpio_request, where, reason,
                 reason == EBUSY ? users_of({request.offsets, request.num_lines}) : "");
  }
  return {request.fd, input && (input_flags & kPullUp), input && (input_flags & kEdges)};
}

}  // namespace bus
