#include "bus_ftdi/ftdi_port.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <tuple>

#include "bus_ftdi/adapter_choice.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"
#include "trace/tracing_port.hpp"

namespace {

// An adapter that notes on the wire what the port asks of it, a byte as two hex digits, and
// takes a millisecond of the clock `now_ns` for each transfer.
std::int64_t now_ns = 0;
class RecordingAdapter : public bus::BitBangAdapter {
 public:
  void open(const bus::FtdiAddress& address, std::uint8_t outputs) override {
    note("open serial '" + address.serial + "' channel " + bus::channel_letter(address.channel) +
             " outputs",
         {&outputs, 1});
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

 private:
  static void note(std::string line, std::span<const std::uint8_t> bytes = {}) {
    for (const auto byte : bytes) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02x", byte);
      line += hex;
    }
    support::wire().push_back(line);
  }
};

bus::FtdiAddress pins(std::array<std::string, 3> names, std::array<int, 3> bits,
                      std::string lock_name = "", std::optional<int> lock_bit = std::nullopt) {
  return {"", 0, {std::move(names), bits, lock_bit, std::move(lock_name)}};
}

// Each case of ftdi_transfers.txt: the words sent at their bus speeds (iDel) through one port;
// "rest" brings the lines to rest. The lock watch times the loop from the word's end: it hears
// of a word only once the word's samples have left, not while they wait in the port's buffer.
TEST(FtdiPort, TurnsWritesAndWaitsIntoOneTransferOfSamplesPerWord) {
  using Words = std::vector<std::pair<std::int32_t, std::string>>;
  const std::tuple<std::string, bus::FtdiAddress, Words> sessions[] = {
      {"10 at 100", {}, {{100, "10"}}},
      {"10 at 0 on RTS CTS DTR", pins({"RTS", "CTS", "DTR"}, {2, 3, 4}), {{0, "10"}}},
      {"1 twice at 1000, then 0 at 50, on D7 D0 D5",
       {"A50285BI", 1, pins({"D7", "D0", "D5"}, {7, 0, 5}).pins},
       {{1000, "1"}, {1000, "1"}, {50, "0"}}},
      {"1 at 1000, then 10 at 0", {}, {{1000, "1"}, {0, "10"}}},
      {"rest lines", {}, {{100, "rest"}}},
      {"10 at 100, lock on CTS", pins({"D0", "D1", "D2"}, {0, 1, 2}, "CTS", 3), {{100, "10"}}},
  };
  std::vector<std::string> lines;
  for (const auto& [name, address, words] : sessions) {
    support::wire().clear();
    bus::FtdiPort port{std::make_unique<RecordingAdapter>(), address};
    support::send_words(port, words, [](std::string_view word) {
      support::wire().push_back("heard " + std::string(word));
    });
    const auto level = port.lock_line() ? std::optional(port.lock_level()) : std::nullopt;
    lines.push_back("case " + name);
    lines.insert(lines.end(), support::wire().begin(), support::wire().end());
    if (level) lines.push_back(*level ? "lock high" : "lock low");
  }
  support::expect_golden(lines, "ftdi_transfers.txt");
}

// Each case of ftdi_lock_pin.txt: the lock pin read between the samples of a transmission.
TEST(FtdiPort, ReadsTheLockPinBetweenTheSamples) {
  std::vector<std::string> lines;
  for (const auto& row : support::golden("ftdi_lock_pin.txt")) {
    if (!row.starts_with("bit ")) continue;
    const auto words = support::split(row, " ");  // bit N reads HEX [low at N]
    support::wire() = {row};
    auto adapter = std::make_unique<RecordingAdapter>();
    adapter->pins = static_cast<std::uint8_t>(std::stoi(words[3], nullptr, 16));
    adapter->pulse_at = words.size() > 6 ? std::stoul(words[6]) : SIZE_MAX;
    bus::FtdiPort port{std::move(adapter),
                       pins({"D0", "D1", "D2"}, {0, 1, 2}, "", std::stoi(words[1]))};
    port.bind();
    port.write(bus::Register::data, 0);
    port.flush();
    port.write(bus::Register::data, 0);
    port.write(bus::Register::data, 0);
    const std::string level = port.lock_level() ? "high " : "low ";
    port.flush();
    support::wire().push_back(level + port.lock_line().value_or("none"));
    lines.insert(lines.end(), support::wire().begin(), support::wire().end());
  }
  support::expect_golden(lines, "ftdi_lock_pin.txt");
}

TEST(FtdiPort, TracesTheLevelsAtTheirTimesOnTheWire) {
  const support::TraceFile trace;
  bus::FtdiPort port{std::make_unique<RecordingAdapter>(), {}};
  trace::VcdWriter writer{trace.path.string(), "test", {}};
  now_ns = 1'000'000;
  trace::TracingPort tracer{port, writer, [] { return now_ns; }};
  support::send_words(tracer, {{100, "10"}, {100, "10"}});
  tracer.close();
  support::expect_golden(trace.lines(), "ftdi_send_10.vcd");
  EXPECT_EQ(tracer.label(), "FT232R USB UART A50285BI");
}

// "A50285BI FT232R 1, -": adapters as SERIAL PRODUCT CHANNELS, "-" for one that cannot be
// opened (on USB bus 1 device N, N counting from 2), separated by ", "; "none" for no adapter.
std::vector<bus::FoundAdapter> adapters(const std::string& column) {
  std::vector<bus::FoundAdapter> found;
  if (column == "none") return found;
  for (const auto& text : support::split(column, ", ")) {
    const std::string where = "USB bus 1 device " + std::to_string(found.size() + 2);
    if (text == "-") {
      found.push_back({where, "", "", 1, "Access denied"});
      continue;
    }
    const auto words = support::split(text, " ");
    found.push_back({where, words[0] == "''" ? "" : words[0], words[1], std::stoi(words[2]), ""});
  }
  return found;
}

TEST(AdapterChoice, PicksTheAdapterNamedOrTheOnlyOneElseSaysWhy) {
  for (const auto& row : support::golden("ftdi_choice.txt")) {
    const auto columns = support::fields(row);
    const auto found = adapters(columns[0]);
    bus::FtdiAddress address;
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
