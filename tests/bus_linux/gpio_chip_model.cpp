#include "gpio_chip_model.hpp"

#include <bitset>
#include <cerrno>
#include <utility>

namespace gpio_model {

namespace {

int fail(int error_number) {
  errno = error_number;
  return -1;
}

void put(char (&field)[GPIO_MAX_NAME_SIZE], const std::string& text) {
  field[text.copy(field, sizeof field - 1)] = '\0';
}

int line_info(const Chip& chip, gpio_v2_line_info& info) {
  if (info.offset >= chip.lines.size()) return fail(EINVAL);
  const Line& line = chip.lines[info.offset];
  put(info.name, line.name);
  put(info.consumer, line.consumer);
  info.flags = line.consumer.empty() ? 0 : GPIO_V2_LINE_FLAG_USED;
  return 0;
}

constexpr std::uint64_t kBias = GPIO_V2_LINE_FLAG_BIAS_PULL_UP | GPIO_V2_LINE_FLAG_BIAS_PULL_DOWN;
constexpr std::uint64_t kEdges = GPIO_V2_LINE_FLAG_EDGE_RISING | GPIO_V2_LINE_FLAG_EDGE_FALLING;

int get_line(const Chip& chip, gpio_v2_line_request& request, int request_fd) {
  for (std::uint32_t i = 0; i < request.num_lines; ++i) {
    if (request.offsets[i] >= chip.lines.size()) return fail(EINVAL);
    if (!chip.lines[request.offsets[i]].consumer.empty()) return fail(EBUSY);
  }
  for (std::uint32_t i = 0; i < request.config.num_attrs; ++i) {
    const auto& attribute = request.config.attrs[i];
    if (attribute.attr.id != GPIO_V2_LINE_ATTR_ID_FLAGS) continue;
    // As the kernel validates a line's flags: a bias only on an input or an output.
    const auto direction =
        attribute.attr.flags & (GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT);
    if (direction == 0 && (attribute.attr.flags & kBias)) return fail(EINVAL);
    if (chip.bias_error != 0 && (attribute.attr.flags & kBias)) return fail(chip.bias_error);
    if (!chip.interrupts && (attribute.attr.flags & kEdges)) return fail(ENXIO);
  }
  request.fd = request_fd;
  return 0;
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

}  // namespace

std::vector<Line> numbered_lines(const std::string& prefix, int count) {
  std::vector<Line> lines;
  for (int i = 0; i < count; ++i) lines.push_back({prefix + std::to_string(i), ""});
  return lines;
}

int answer(const Chip& chip, unsigned long request, void* argument, int request_fd) {
  switch (request) {
    case GPIO_GET_CHIPINFO_IOCTL: {
      auto& info = *static_cast<gpiochip_info*>(argument);
      put(info.name, chip.name);
      put(info.label, chip.label);
      info.lines = static_cast<std::uint32_t>(chip.lines.size());
      return 0;
    }
    case GPIO_V2_GET_LINEINFO_IOCTL:
      return line_info(chip, *static_cast<gpio_v2_line_info*>(argument));
    case GPIO_V2_GET_LINE_IOCTL:
      return get_line(chip, *static_cast<gpio_v2_line_request*>(argument), request_fd);
    default:
      return fail(ENOTTY);
  }
}

int check(const gpio_v2_line_values& values, unsigned line_count) {
  const std::uint64_t lines = (std::uint64_t{1} << line_count) - 1;
  return values.mask == 0 || (values.mask & ~lines) ? fail(EINVAL) : 0;
}

int get_values(const Chip& chip, const gpio_v2_line_request& request, gpio_v2_line_values& values) {
  const std::uint64_t lines = (std::uint64_t{1} << request.num_lines) - 1;
  if (values.mask == 0 || (values.mask & ~lines)) return fail(EINVAL);
  values.bits = 0;
  for (std::uint32_t i = 0; i < request.num_lines; ++i) {
    if ((values.mask >> i & 1) && chip.lines[request.offsets[i]].high) values.bits |= 1u << i;
  }
  return 0;
}

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

std::string bits(std::uint64_t value, unsigned width) {
  return std::bitset<64>(value).to_string().substr(64 - width);
}

}  // namespace gpio_model
