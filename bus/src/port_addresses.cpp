#include "bus/port_addresses.hpp"

#include <cstdio>

#include "common/failure_message.hpp"

namespace bus {

std::optional<Register> register_at(std::uint16_t address) {
  constexpr auto kBase = static_cast<std::uint16_t>(kStandardBase);
  for (const auto target : {Register::data, Register::control}) {
    if (address == address_of(target, kBase)) return target;
  }
  return std::nullopt;
}

std::uint16_t address_of(Register target, std::uint16_t base) {
  const auto offset = target == Register::data ? kDataRegisterOffset : kControlRegisterOffset;
  return static_cast<std::uint16_t>(base + offset);
}

void refuse_stray_write(std::uint16_t address, const std::string& port_name) {
  throw common::failure("Write to I/O address " + hex_address(address) + " refused",
                        port_name + " has only a data and a control register", "");
}

std::string hex_address(std::uint16_t address) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%x", address);
  return text;
}

}  // namespace bus
