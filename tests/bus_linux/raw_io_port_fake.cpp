#include <cstdio>

#include "bus_linux/raw_io_port.hpp"
#include "fake_kernel.hpp"

namespace fake_kernel {
namespace {

std::string hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", value);
  return text;
}

int fake_ioperm(unsigned long from, unsigned long count, int on) {
  return refused("ioperm", hex(from) + " " + std::to_string(count) + " " + std::to_string(on)) ? -1
                                                                                               : 0;
}

void fake_outb(unsigned char value, unsigned short port) {
  refused("outb", hex(port) + " " + std::to_string(value));
}

unsigned char fake_inb(unsigned short port) {
  refused("inb", hex(port));
  return static_cast<unsigned char>(kernel.levels);
}

constexpr bus::PortIoCalls kPortIoCalls{fake_ioperm, fake_outb, fake_inb};

}  // namespace

std::unique_ptr<bus::Port> raw_io_port(std::uint16_t base, std::optional<bus::StatusPin> lock_pin) {
  return std::make_unique<bus::RawIoPort>(base, lock_pin, kPortIoCalls);
}

}  // namespace fake_kernel
