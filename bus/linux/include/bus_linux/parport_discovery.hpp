#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace bus {

// Where the kernel publishes its parallel ports: <root>/parportN/base-addr.
inline const std::filesystem::path kParportProcRoot = "/proc/sys/dev/parport";

struct ParportDevice {
  std::string path;                   // "/dev/parport0"
  std::optional<std::uint16_t> base;  // when the kernel says
};

// The device of the port at the standard base 0x378, else /dev/parport0.
ParportDevice standard_parport(const std::filesystem::path& proc_root = kParportProcRoot);

// The base address the kernel reports for a /dev/parportN path.
std::optional<std::uint16_t> parport_base(
    const std::string& device_path, const std::filesystem::path& proc_root = kParportProcRoot);

// Whether the kernel reports that no driver or program holds the port of a /dev/parportN path
// now (<root>/parportN/devices/active reads "none"); false when it cannot tell.
bool parport_idle(const std::string& device_path,
                  const std::filesystem::path& proc_root = kParportProcRoot);

}  // namespace bus
