#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace bus {

enum class Register { data, control };

// Which register of the standard port a write addresses; none for any other address.
std::optional<Register> register_at(std::uint16_t address);

// The failure for a write that addresses neither register of `port_name`.
[[noreturn]] void refuse_stray_write(std::uint16_t address, const std::string& port_name);

std::string hex_address(std::uint16_t address);  // "0x378"

}  // namespace bus
