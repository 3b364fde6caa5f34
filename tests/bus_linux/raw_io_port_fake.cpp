#include "fake_kernel.hpp"

std::unique_ptr<bus::Port> fake_kernel::raw_io_port(std::uint16_t base,
                                                    std::optional<bus::StatusPin> lock_pin) {
  return std::make_unique<bus::RawIoPort>(base, lock_pin, port_io_calls());
}
