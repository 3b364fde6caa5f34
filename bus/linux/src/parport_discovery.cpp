#include "bus_linux/parport_discovery.hpp"

#include <fstream>
#include <system_error>

#include "bus/port_addresses.hpp"

namespace bus {

namespace {

std::optional<std::uint16_t> read_base(const std::filesystem::path& port_dir) {
  std::ifstream file(port_dir / "base-addr");
  unsigned long base = 0;
  if (!(file >> base) || base > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(base);
}

}  // namespace

ParportDevice standard_parport(const std::filesystem::path& proc_root) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(proc_root, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("parport")) continue;
    const auto base = read_base(entry.path());
    if (base == static_cast<std::uint16_t>(kStandardBase)) {
      return {"/dev/" + name, base};
    }
  }
  return {"/dev/parport0", parport_base("/dev/parport0", proc_root)};
}

std::optional<std::uint16_t> parport_base(const std::string& device_path,
                                          const std::filesystem::path& proc_root) {
  const std::filesystem::path device(device_path);
  if (device.parent_path() != "/dev") return std::nullopt;
  return read_base(proc_root / device.filename());
}

bool parport_idle(const std::string& device_path, const std::filesystem::path& proc_root) {
  const std::filesystem::path device(device_path);
  if (device.parent_path() != "/dev") return false;
  std::ifstream file(proc_root / device.filename() / "devices" / "active");
  std::string holder;
  return file >> holder && holder == "none";
}

}  // namespace bus
