#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "bus/wiring.hpp"
#include "bus_ftdi/ftdi_pins.hpp"
#include "lock/lock_watch.hpp"
#include "words/word_b_choice.hpp"

namespace cli {

// A port chosen on the command line: a ppdev device, a base address for raw I/O, three lines
// of a GPIO chip, or three pins of an FTDI adapter (bus::FtdiAddress).
struct DevicePath {
  std::string path;
  friend bool operator==(const DevicePath&, const DevicePath&) = default;
};
struct IoAddress {
  std::uint16_t base;
  friend bool operator==(const IoAddress&, const IoAddress&) = default;
};
struct GpioLines {
  std::string chip;                  // a path, a chip name or a label
  std::array<std::string, 3> lines;  // clock, data, enable: offsets or line names
  std::optional<std::string> lock;   // the lock input, a fourth line
  friend bool operator==(const GpioLines&, const GpioLines&) = default;
};
using PortArgument = std::variant<DevicePath, IoAddress, GpioLines, bus::FtdiAddress>;

// The dividers a sweep steps over, both ends included: from `from` toward `to`, downward where
// `from` is the higher; `step` is always above zero.
struct Sweep {
  std::int32_t from;
  std::int32_t to;
  std::int32_t step;
  friend bool operator==(const Sweep&, const Sweep&) = default;
};

// A sweep's plot: the file, and the format its name's extension asks for.
enum class PlotFormat { svg, png };
struct Plot {
  std::string file;
  PlotFormat format;
  friend bool operator==(const Plot&, const Plot&) = default;
};

// Where a server (rigctld, the web page) listens.
struct Endpoint {
  std::string host;  // an IP address, or "localhost"
  std::uint16_t port;
  friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

struct Options {
  bool simulate = false;
  bool help = false;
  bool version = false;
  std::optional<PortArgument> port;  // none: the standard port through ppdev
  std::optional<std::string> trace;  // a file for the value change dump of the bus lines
  std::optional<Endpoint> rigctld;   // serve Hamlib's rigctld protocol there
  std::optional<Endpoint> http;      // serve the tuning page to browsers there
  // The reverse proxy in front of the page, whose X-Forwarded-For is believed.
  std::optional<std::string> http_proxy;
  bool headless = false;  // no window: the form logic alone, transmissions logged
  std::optional<words::WordBChoice> word_b;  // headless only: Word B to send after start-up
  std::optional<std::string> word_b_text;    // as given, to change a kept Word B by
  // --lock's value ("": the port's own default); once parsed, a GPIO or FTDI port's lock line
  // is part of its PortArgument and a parallel port's is lock_pin.
  std::optional<std::string> lock;
  std::optional<bus::StatusPin> lock_pin;
  // How long a word is given to lock, where a lock line is read.
  std::chrono::milliseconds lock_timeout = lock::kLockTimeout;
  std::optional<std::string> sweep_range;  // --sweep's value, read at the step --word-b sets
  std::optional<Sweep> sweep;        // step the divider, report where it locks: headless, lock line
  std::optional<Plot> plot;          // the sweep's plot
  bool resume = false;               // start where the state file says the last run left off
  std::optional<std::string> state;  // the state file; none: the state folder's
  std::optional<std::string> stations;  // a CSV file whose rows replace the stations kept
};

// A command line that cannot be run: the one-line reason, for exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws UsageError.
Options parse_options(std::span<const std::string_view> arguments);

std::string help_text(std::string_view program);
std::string version_text();     // "saa1057-panel 0.1.0\n"
std::string program_version();  // "saa1057-panel 0.1.0"

}  // namespace cli
