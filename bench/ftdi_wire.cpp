// What a word costs on the wire through an FTDI adapter, against a USB GPIO chip that takes one
// round trip per line change. Counts, not host times: the transfers and bytes the port asks the
// adapter for, and the calls the GPIO back end makes. Prints "name value" lines.
#include <cstdio>

#include "bus/transmitter.hpp"
#include "bus_ftdi/bit_bang_samples.hpp"
#include "bus_ftdi/ftdi_port.hpp"
#include "bus_linux/gpio_port.hpp"
#include "counting_adapter.hpp"
#include "null_kernel.hpp"

namespace {

constexpr const char* kWordA = "0010110110101010";  // N 11690, the start-up's word

void send(bus::Port& port, std::int32_t delay_count) {
  bus::Inpout library{port};
  const bus::BusSettings settings{888, delay_count};
  bus::Transmitter{settings, library, [](std::int32_t) {}}.Send(kWordA);
}

}  // namespace

int main() {
  for (const std::int32_t delay_count : {50, 1000}) {
    auto adapter = std::make_unique<CountingAdapter>();
    CountingAdapter& counts = *adapter;
    bus::FtdiPort port{std::move(adapter), {}};
    send(port, delay_count);
    const double wire_us =
        static_cast<double>(counts.bytes_) * counts.divisor_ * 1e6 / bus::kBitBangClockHz;
    std::printf("ftdi_transfers_%d %ld\nftdi_bytes_%d %ld\nftdi_wire_us_%d %.1f\n", delay_count,
                counts.transfers_, delay_count, counts.bytes_, delay_count, wire_us);
  }
  bus::GpioPort gpio{
      "/bench/gpiochip0", {"0", "1", "2"}, std::nullopt, null_kernel(), "/nonexistent"};
  send(gpio, 0);
  std::printf("gpio_round_trips %ld\n", set_values_calls);
  return 0;
}
