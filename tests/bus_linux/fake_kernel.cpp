#include "fake_kernel.hpp"

#include <fcntl.h>
#include <linux/gpio.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "support/golden.hpp"

namespace fake_kernel {

bool refused(const std::string& name, const std::string& detail) {
  kernel.calls.push_back(detail.empty() ? name : name + " " + detail);
  for (auto& refusal : kernel.refusals) {
    if (refusal.call != name || detail.find(refusal.when) == std::string::npos) continue;
    if (refusal.successes_first-- > 0 || refusal.failures == 0) continue;
    --refusal.failures;
    errno = refusal.error;
    return true;
  }
  return false;
}

namespace {

constexpr int kParport = 7;
constexpr int kFirstChip = 20;
constexpr int kRequest = 40;

// The `width` lowest bits, line 0 rightmost: "001".
std::string bits(std::uint64_t value, unsigned width) {
  return std::bitset<64>(value).to_string().substr(64 - width);
}

// "INPUT|EDGE_RISING", by the flags' bits in the uAPI.
std::string flag_names(std::uint64_t flags) {
  constexpr const char* kNames[] = {"USED",         "ACTIVE_LOW",     "INPUT",        "OUTPUT",
                                    "EDGE_RISING",  "EDGE_FALLING",   "OPEN_DRAIN",   "OPEN_SOURCE",
                                    "BIAS_PULL_UP", "BIAS_PULL_DOWN", "BIAS_DISABLED"};
  std::string names;
  for (std::size_t bit = 0; bit < 64; ++bit)
    if (flags >> bit & 1) names += std::string("|") + (bit < std::size(kNames) ? kNames[bit] : "?");
  return names.erase(0, 1);
}

// "offsets 17,27,22,23 consumer saa1057-panel flags OUTPUT output-values 0000/0111 flags
// INPUT|BIAS_PULL_UP/1000": each attribute as its values/mask.
std::string described(const gpio_v2_line_request& request) {
  std::string text = "offsets ";
  for (std::uint32_t i = 0; i < request.num_lines; ++i)
    text += (i ? "," : "") + std::to_string(request.offsets[i]);
  text +=
      std::string(" consumer ") + request.consumer + " flags " + flag_names(request.config.flags);
  for (std::uint32_t i = 0; i < request.config.num_attrs; ++i) {
    const auto& [attribute, mask] = request.config.attrs[i];
    text += attribute.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES
                ? " output-values " + bits(attribute.values, request.num_lines)
                : " flags " + flag_names(attribute.flags);
    text += "/" + bits(mask, request.num_lines);
  }
  return text;
}

void put(char (&field)[GPIO_MAX_NAME_SIZE], const std::string& text) {
  field[text.copy(field, sizeof field - 1)] = '\0';
}

int chip_ioctl(const Chip& chip, unsigned long request, void* argument) {
  if (request == GPIO_GET_CHIPINFO_IOCTL) {
    if (refused("CHIPINFO")) return -1;
    auto& info = *static_cast<gpiochip_info*>(argument);
    put(info.name, chip.name);
    put(info.label, chip.label);
    info.lines = static_cast<std::uint32_t>(chip.lines.size());
    return 0;
  }
  if (request == GPIO_V2_GET_LINEINFO_IOCTL) {
    auto& info = *static_cast<gpio_v2_line_info*>(argument);
    if (refused("LINEINFO", std::to_string(info.offset))) return -1;
    put(info.name, chip.lines.at(info.offset));
    const bool used = chip.users.contains(info.offset);
    put(info.consumer, used ? chip.users.at(info.offset) : "");
    info.flags = used ? GPIO_V2_LINE_FLAG_USED : 0;
    return 0;
  }
  auto& asked = *static_cast<gpio_v2_line_request*>(argument);
  if (refused("GET_LINE", described(asked))) return -1;
  asked.fd = kRequest;
  ++kernel.open;
  return 0;
}

// Only a request with a lock line, four lines, is read.
int values_ioctl(unsigned long request, gpio_v2_line_values& values) {
  if (request == GPIO_V2_LINE_SET_VALUES_IOCTL)
    return refused("SET", bits(values.bits, 3) + "/" + bits(values.mask, 3)) ? -1 : 0;
  if (refused("GET", bits(values.mask, 4))) return -1;
  values.bits = kernel.levels & values.mask;
  return 0;
}

int parport_ioctl(unsigned long request, void* argument) {
  static const std::map<unsigned long, std::string> kNames{
      {PPCLAIM, "PPCLAIM"}, {PPEXCL, "PPEXCL"},         {PPRELEASE, "PPRELEASE"},
      {PPWDATA, "PPWDATA"}, {PPWCONTROL, "PPWCONTROL"}, {PPRSTATUS, "PPRSTATUS"}};
  const bool write = request == PPWDATA || request == PPWCONTROL;
  auto* byte = static_cast<unsigned char*>(argument);  // none for a claim or a release
  if (refused(kNames.at(request), write ? std::to_string(*byte) : "")) return -1;
  if (request == PPRSTATUS) *byte = static_cast<unsigned char>(kernel.levels);
  return 0;
}

int fake_open(const char* path, int flags) {
  const bool read_write = (flags & O_ACCMODE) == O_RDWR && (flags & O_CLOEXEC);
  if (refused("open", path + std::string(read_write ? "" : " (not O_RDWR|O_CLOEXEC)"))) return -1;
  const auto chip =
      std::ranges::find_if(kernel.chips, [path](const Chip& c) { return kDir / c.name == path; });
  const bool parport = std::string(path).starts_with("/dev/parport");
  if (chip == kernel.chips.end() && !parport) {
    errno = ENOENT;
    return -1;
  }
  ++kernel.open;
  return parport ? kParport : kFirstChip + static_cast<int>(chip - kernel.chips.begin());
}

// A descriptor that is none of these is a test's mistake, or the back end's: it throws.
int fake_ioctl(int fd, unsigned long request, void* argument) {
  if (fd == kParport) return parport_ioctl(request, argument);
  if (fd == kRequest) return values_ioctl(request, *static_cast<gpio_v2_line_values*>(argument));
  return chip_ioctl(kernel.chips.at(static_cast<std::size_t>(fd - kFirstChip)), request, argument);
}

int fake_close(int fd) {
  // Linux frees the descriptor even when close reports an error.
  --kernel.open;
  return refused("close", fd == kParport ? "" : fd == kRequest ? "request" : "chip") ? -1 : 0;
}

ssize_t fake_read(int, void* buffer, std::size_t size) {
  if (refused("read")) return -1;
  const std::size_t length = std::min(size, kernel.edges.size() * sizeof kernel.edges[0]);
  if (length > 0) std::memcpy(buffer, kernel.edges.data(), length);
  return static_cast<ssize_t>(length);
}

}  // namespace

void reset(const std::string& refusals) {
  kernel = {};
  kernel.chips = {{"gpiochip0", "pinctrl-bcm2711", {}, {}}, {"gpiochip1", "usb-adapter", {}, {}}};
  for (int i = 0; i < 28; ++i) kernel.chips[0].lines.push_back("GPIO" + std::to_string(i));
  for (int i = 0; i < 4; ++i) kernel.chips[1].lines.push_back("GP" + std::to_string(i));
  for (const auto& refusal : support::split(refusals == "-" ? "" : refusals, "; ")) {
    const auto words = support::split(refusal, " ");
    kernel.refusals.push_back({words[0], std::stoi(words[1]), std::stoi(words[3]),
                               words[4] == "-" ? -1 : std::stoi(words[4]),
                               words.size() > 5 ? words[5] : ""});
  }
  std::filesystem::create_directories(kDir);
  for (const auto& chip : kernel.chips) std::ofstream(kDir / chip.name).flush();
}

const bus::SystemCalls& system_calls() {
  static constexpr bus::SystemCalls kCalls{fake_open, fake_ioctl, fake_close, fake_read};
  return kCalls;
}

}  // namespace fake_kernel
