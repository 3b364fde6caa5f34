#include "fake_kernel.hpp"

// Raw port I/O is x86's alone.
std::unique_ptr<bus::Port> fake_kernel::raw_io_port(std::uint16_t, std::optional<bus::StatusPin>) {
  return nullptr;
}
