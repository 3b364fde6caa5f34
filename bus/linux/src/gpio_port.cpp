#include "bus_linux/gpio_port.hpp"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "bus/port_addresses.hpp"
#include "bus_linux/port_failure.hpp"
#include "common/failure_message.hpp"

namespace bus {

namespace {

constexpr const char* kRoles[] = {"clock", "data line", "enable", "lock"};
// The lock line's bit in the request's values: the fourth line requested.
constexpr std::uint64_t kLockBit = std::uint64_t{1} << 3;

// The levels as the request's value bits, in the order of the lines: clock, data, enable.
std::uint64_t bits_of(LineLevels levels) {
  return std::uint64_t{levels.clock} | std::uint64_t{levels.data} << 1 |
         std::uint64_t{levels.enable} << 2;
}

}  // namespace

GpioPort::GpioPort(std::string chip, std::array<std::string, 3> lines,
                   std::optional<std::string> lock, const SystemCalls& calls,
                   std::filesystem::path device_dir)
    : chip_(std::move(chip)),
      lines_(std::move(lines)),
      lock_(std::move(lock)),
      calls_(calls),
      device_dir_(std::move(device_dir)) {}

GpioPort::~GpioPort() {
  // The lines keep their last levels, which after any transmission is the rest state.
  if (request_fd_ >= 0) calls_.close(request_fd_);
}

std::string GpioPort::name() const { return chip_ + " lines " + joined_lines() + " (GPIO)"; }

std::string GpioPort::joined_lines() const {
  return lines_[0] + "," + lines_[1] + "," + lines_[2] + (lock_ ? "," + *lock_ : "");
}

void GpioPort::bind() {
  const GpioChip chip(chip_, calls_, device_dir_);
  where_ = "lines " + joined_lines() + " of " + chip.description();
  std::vector<std::string> lines(lines_.begin(), lines_.end());
  if (lock_) lines.push_back(*lock_);
  std::vector<std::uint32_t> offsets;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    offsets.push_back(chip.offset_of(lines[i], kRoles[i]));
    for (std::size_t j = 0; j < i; ++j) {
      if (offsets[j] != offsets[i]) continue;
      throw common::failure(std::string("The ") + kRoles[j] + " and the " + kRoles[i] +
                                " are both line " + std::to_string(offsets[i]) + " of " +
                                chip.description(),
                            "",
                            common::or_try_simulate(lock_ ? "Give four different lines"
                                                          : "Give three different lines"));
    }
  }
  std::optional<std::uint32_t> lock_offset;
  if (lock_) {
    lock_offset = offsets[3];
    lock_where_ = "line " + *lock_ + " of " + chip.description();
  }
  const auto request = chip.request_lines({offsets[0], offsets[1], offsets[2]}, bits_of(levels_),
                                          lock_offset, where_);
  request_fd_ = request.fd;
  lock_pulled_up_ = request.pulled_up || !lock_;
  lock_edges_ = request.edges;
}

void GpioPort::write(Register target, std::uint8_t value) {
  const LineLevels after = levels_after(levels_, target, value);
  gpio_v2_line_values values{};
  values.mask = bits_of(after) ^ bits_of(levels_);
  values.bits = bits_of(after) & values.mask;
  // The kernel refuses an empty mask: a write that changes no line needs no call.
  if (values.mask == 0) return;
  if (calls_.ioctl(request_fd_, GPIO_V2_LINE_SET_VALUES_IOCTL, &values) != 0) {
    port_failure(PortStep::gpio_write, where_, errno);
  }
  levels_ = after;
}

std::optional<std::string> GpioPort::lock_line() const {
  if (!lock_) return std::nullopt;
  return "line " + *lock_ + " of " + chip_;
}

bool GpioPort::lock_level() {
  gpio_v2_line_values values{};
  values.mask = kLockBit;
  if (calls_.ioctl(request_fd_, GPIO_V2_LINE_GET_VALUES_IOCTL, &values) != 0) {
    port_failure(PortStep::gpio_read, lock_where_, errno);
  }
  return (values.bits & kLockBit) != 0;
}

bool GpioPort::take_lock_changes() {
  // A read of events that are there does not block; those beyond the buffer come at the next.
  gpio_v2_line_event events[16];
  const auto got = calls_.read(request_fd_, events, sizeof events);
  if (got < 0) port_failure(PortStep::gpio_read, lock_where_, errno);
  const auto count = static_cast<std::size_t>(got) / sizeof events[0];
  return std::any_of(events, events + count, [](const gpio_v2_line_event& event) {
    return event.id == GPIO_V2_LINE_EVENT_FALLING_EDGE;
  });
}

std::optional<std::string> GpioPort::lock_line_caveat() const {
  if (lock_pulled_up_) return std::nullopt;
  return "The chip refused the pull-up on " + lock_where_ +
         ": fit a 10 kOhm resistor from it to the chip's I/O voltage, or the line floats";
}

}  // namespace bus
