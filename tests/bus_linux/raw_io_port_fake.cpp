#include "fake_kernel.hpp"

std::unique_ptr<bus::Port> fake_kernel::raw_io_port(std::uint16_t base) {
  return std::make_unique<bus::RawIoPort>(base, port_io_calls());
}
