#include <sys/io.h>

#include "bus_linux/raw_io_port.hpp"

namespace bus {

namespace {

int permit_ports(unsigned long from, unsigned long count, int turn_on) {
  return ::ioperm(from, count, turn_on);
}
void write_port(unsigned char value, unsigned short port) { ::outb(value, port); }
unsigned char read_port(unsigned short port) { return ::inb(port); }

}  // namespace

const PortIoCalls& linux_port_io_calls() {
  static constexpr PortIoCalls kCalls{permit_ports, write_port, read_port};
  return kCalls;
}

}  // namespace bus
