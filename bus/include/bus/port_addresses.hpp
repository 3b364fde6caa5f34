#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace bus {

enum class Register { data, control };

// The first parallel port's base, the address the program always writes to. Back ends for
// other ports move these writes to their own registers.
inline constexpr std::int16_t kStandardBase = 888;  // 0x378
inline constexpr std::int16_t kDataRegisterOffset = 0;
inline constexpr std::int16_t kControlRegisterOffset = 2;
// Read only, for the lock input.
inline constexpr std::int16_t kStatusRegisterOffset = 1;

// Which register of the standard port the port library's callers address; none for any other
// address.
std::optional<Register> register_at(std::uint16_t address);

// Where `target` lies on the port at `base`, in unsigned 16-bit arithmetic (add-in cards sit as
// high as 0xfffd).
std::uint16_t address_of(Register target, std::uint16_t base);

// The failure for a write that addresses neither register of `port_name`.
[[noreturn]] void refuse_stray_write(std::uint16_t address, const std::string& port_name);

std::string hex_address(std::uint16_t address);  // "0x378"

}  // namespace bus
