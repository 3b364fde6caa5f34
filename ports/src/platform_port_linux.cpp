#include "bus/parport_discovery.hpp"
#include "bus/ppdev_port.hpp"
#include "bus/raw_io_port.hpp"
#include "bus/register_map.hpp"
#include "ports/platform_port.hpp"

namespace ports {

namespace {

PlatformPort ppdev(const bus::ParportDevice& device) {
  return {std::make_unique<bus::PpdevPort>(device.path, device.base), device.path};
}

}  // namespace

PlatformPort platform_port(const std::optional<cli::PortArgument>& choice) {
  if (!choice) return ppdev(bus::standard_parport());
  if (const auto* device = std::get_if<cli::DevicePath>(&*choice)) {
    return ppdev({device->path, bus::parport_base(device->path)});
  }
  const auto base = std::get<cli::IoAddress>(*choice).base;
  return {std::make_unique<bus::RawIoPort>(base), bus::hex_address(base)};
}

}  // namespace ports
