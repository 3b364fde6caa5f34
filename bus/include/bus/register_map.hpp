#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace bus {

enum class Register { data, control };

// Which register of the port at `base` a write addresses; none for any other address.
std::optional<Register> register_at(std::uint16_t address, std::uint16_t base);

// The same for the standard port, which the port library's callers address.
std::optional<Register> register_at(std::uint16_t address);

// Where a write to the standard port's register `address` lands on the port at `base`, in
// unsigned 16-bit arithmetic (add-in cards sit as high as 0xfffd). Refuses any other address.
std::uint16_t moved_to_base(std::uint16_t address, std::uint16_t base,
                            const std::string& port_name);

// The failure for a write that addresses neither register of `port_name`.
[[noreturn]] void refuse_stray_write(std::uint16_t address, const std::string& port_name);

std::string hex_address(std::uint16_t address);  // "0x378"

}  // namespace bus
