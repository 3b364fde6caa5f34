#include "bus_ftdi/ftdi_port.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <variant>

#include "bus_ftdi/adapter_choice.hpp"
#include "support/command_line.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"
#include "trace/tracing_port.hpp"

namespace {

// An adapter that notes on the wire what the port asks of it, a byte as two hex digits, and
// takes a millisecond of the clock `now_ns` for each transfer.
std::int64_t now_ns = 0;
struct RecordingAdapter : bus::BitBangAdapter {
  void open(const bus::FtdiAddress& address, std::uint8_t outputs) override {
    const auto channel = bus::channel_letter(address.channel);
    note("open serial '" + address.serial + "' channel " + channel + " outputs", {&outputs, 1});
  }
  void set_divisor(std::uint16_t divisor) override { note("divisor " + std::to_string(divisor)); }
  void write(std::span<const std::uint8_t> samples) override {
    note("write", samples);
    now_ns += 1'000'000;
  }
  std::vector<std::uint8_t> sample_pins(std::uint8_t levels, std::size_t count) override {
    note("sample " + std::to_string(count) + " holding", {&levels, 1});
    std::vector<std::uint8_t> samples(count, pins);
    if (pulse_at < count) samples[pulse_at] = 0;
    return samples;
  }
  std::string identity() const override { return "FT232R USB UART A50285BI"; }

  std::uint8_t pins = 0x08;         // what the pins read: D3 high
  std::size_t pulse_at = SIZE_MAX;  // the one sample that reads all pins low

  static void note(std::string line, std::span<const std::uint8_t> bytes = {}) {
    for (const auto byte : bytes)
      line += {' ', "0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    support::wire().push_back(line);
  }
};

// Each case of ftdi_transfers.txt through one port. The lock watch times the loop from the
// word's end: it hears of a word only once the word's samples have left, not while they wait in
// the port's buffer. Each case of ftdi_lock_pin.txt: the lock pin read between the samples of a
// transmission.
TEST(FtdiPort, TurnsWritesAndWaitsIntoOneTransferPerWordAndReadsTheLockPinBetween) {
  for (const char* file : {"ftdi_transfers.txt", "ftdi_lock_pin.txt"}) {
    support::wire().clear();
    for (const auto& row : support::golden(file)) {
      if (!row.starts_with("case ")) continue;
      const auto columns = support::fields(row.substr(5));  // command line | words, or pins
      auto adapter = std::make_unique<RecordingAdapter>();
      auto& pins = *adapter;
      support::wire().push_back(row);
      bus::FtdiPort port{std::move(adapter),
                         std::get<bus::FtdiAddress>(*support::command_line(columns[0]).port)};
      if (const auto read = support::split(columns[1], " "); read[0] == "reads") {
        pins.pins = static_cast<std::uint8_t>(std::stoi(read[1], nullptr, 16));
        pins.pulse_at = read.size() > 4 ? std::stoul(read[4]) : SIZE_MAX;
        port.bind();
        port.write(bus::Register::data, 0);
        port.flush();
        port.write(bus::Register::data, 0);
        port.write(bus::Register::data, 0);
        const std::string level = port.lock_level() ? "high " : "low ";
        port.flush();
        support::wire().push_back(level + port.lock_line().value_or("none"));
      } else {
        support::send_words(port, columns[1], [](std::string_view word) {
          support::wire().push_back("heard " + std::string(word));
        });
        if (port.lock_line())
          support::wire().push_back(port.lock_level() ? "lock high" : "lock low");
      }
    }
    support::expect_golden(support::wire(), file);
  }
}

TEST(FtdiPort, TracesTheLevelsAtTheirTimesOnTheWire) {
  const support::TraceFile trace;
  bus::FtdiPort port{std::make_unique<RecordingAdapter>(), {}};
  trace::VcdWriter writer{trace.path.string(), "test", {}};
  now_ns = 1'000'000;
  trace::TracingPort tracer{port, writer, [] { return now_ns; }};
  support::send_words(tracer, "10@100 10@100");
  tracer.close();
  support::expect_golden(trace.lines(), "ftdi_send_10.vcd");
  EXPECT_EQ(tracer.label(), "FT232R USB UART A50285BI");
}

// Adapters and the serial and channel asked for, as ftdi_choice.txt writes them.
TEST(AdapterChoice, PicksTheAdapterNamedOrTheOnlyOneElseSaysWhy) {
  for (const auto& row : support::golden("ftdi_choice.txt")) {
    const auto columns = support::fields(row);
    std::vector<bus::FoundAdapter> found;
    for (const auto& text : support::split(columns[0] == "none" ? "" : columns[0], ", ")) {
      const std::string where = "USB bus 1 device " + std::to_string(found.size() + 2);
      const auto words = support::split(text, " ");  // serial, product, channels
      found.push_back(text == "-" ? bus::FoundAdapter{where, "", "", 1, "Access denied"}
                                  : bus::FoundAdapter{where, words[0] == "''" ? "" : words[0],
                                                      words[1], std::stoi(words[2]), ""});
    }
    bus::FtdiAddress address;  // SERIAL[/CHANNEL], "(none)" for no serial
    const auto slash = columns[1].find('/');
    address.serial = columns[1].substr(0, slash) == "(none)" ? "" : columns[1].substr(0, slash);
    if (slash != std::string::npos) address.channel = columns[1][slash + 1] - 'A';
    std::string chosen;
    const std::string failure = support::failure_of([&] {
      chosen = bus::identity_of(
          bus::choose_adapter(found, address, "046d:c52b (USB Receiver)", "Fix the access"));
    });
    EXPECT_EQ(failure == "no failure" ? chosen : failure, columns[2]) << row;
  }
}

}  // namespace
