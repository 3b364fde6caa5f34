#include "fake_kernel.hpp"

std::unique_ptr<bus::Port> fake_kernel::raw_io_port(std::uint16_t, std::optional<bus::StatusPin>) {
  return nullptr;
}
