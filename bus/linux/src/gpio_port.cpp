#include "bus_linux/gpio_port.hpp"

#include <cerrno>

#include "bus/port_addresses.hpp"
#include "bus_linux/port_failure.hpp"
#include "common/failure_message.hpp"

namespace bus {

namespace {

constexpr const char* kRoles[] = {"clock", "data line", "enable"};

// The levels as the request's value bits, in the order of the lines: clock, data, enable.
std::uint64_t bits_of(LineLevels levels) {
  return std::uint64_t{levels.clock} | std::uint64_t{levels.data} << 1 |
         std::uint64_t{levels.enable} << 2;
}

}  // namespace

GpioPort::GpioPort(std::string chip, std::array<std::string, 3> lines, const SystemCalls& calls,
                   std::filesystem::path device_dir)
    : chip_(std::move(chip)),
      lines_(std::move(lines)),
      calls_(calls),
      device_dir_(std::move(device_dir)) {}

GpioPort::~GpioPort() {
  // The lines keep their last levels, which after any transmission is the rest state.
  if (request_fd_ >= 0) calls_.close(request_fd_);
}

std::string GpioPort::name() const { return chip_ + " lines " + joined_lines() + " (GPIO)"; }

std::string GpioPort::joined_lines() const { return lines_[0] + "," + lines_[1] + "," + lines_[2]; }

void GpioPort::bind() {
  const GpioChip chip(chip_, calls_, device_dir_);
  where_ = "lines " + joined_lines() + " of " + chip.description();
  std::array<std::uint32_t, 3> offsets{};
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    offsets[i] = chip.offset_of(lines_[i], kRoles[i]);
    for (std::size_t j = 0; j < i; ++j) {
      if (offsets[j] != offsets[i]) continue;
      throw common::failure(std::string("The ") + kRoles[j] + " and the " + kRoles[i] +
                                " are both line " + std::to_string(offsets[i]) + " of " +
                                chip.description(),
                            "", common::or_try_simulate("Give three different lines"));
    }
  }
  request_fd_ = chip.request_outputs(offsets, bits_of(levels_), where_);
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

}  // namespace bus
