#include "cli/options.hpp"

#include <array>
#include <optional>
#include <set>

#include "bus/gpio_lines_text.hpp"
#include "cli/sweep_argument.hpp"
#include "cli/word_b_argument.hpp"
#include "common/program_name.hpp"
#include "endpoint.hpp"
#include "lock_argument.hpp"
#include "lock_timeout_argument.hpp"
#include "plot_argument.hpp"
#include "port_argument.hpp"

namespace cli {

namespace {

// --lock given without a pin: the port's own lock pin.
constexpr std::string_view kPortsOwnLockPin = "default";

struct OptionRow {
  std::string_view name;
  std::string_view value_name;  // empty for a flag
  // The value of an option given without one; none where a value is needed.
  std::optional<std::string_view> value_if_omitted;
  std::string_view help;
  void (*apply)(Options& options, std::string_view value);
  // What goes where the help says "{}": a default that another table holds.
  std::string (*help_fill)() = nullptr;
};

// The value of an option that names a file, which cannot be empty.
std::string file_name(std::string_view option, std::string_view value) {
  if (value.empty()) throw UsageError("option '" + std::string(option) + "' needs a file name");
  return std::string(value);
}

constexpr std::array<OptionRow, 17> kOptions{{
    {"--simulate", "", std::nullopt, "use the simulated SAA1057 instead of a parallel port",
     [](Options& o, std::string_view) { o.simulate = true; }},
    {"--port", "DEVICE|ADDRESS|" SAA_GPIO_LINES_FORM "|ftdi[:SERIAL[/CHANNEL][:CLOCK,DATA,ENABLE]]",
     std::nullopt,
     "the bus: a ppdev device such as /dev/parport1, a base address\n"
     "                         for raw I/O such as 0x278 (default: the port at 0x378), three\n"
     "                         GPIO lines, such as " SAA_GPIO_LINES_EXAMPLE ", or three\n"
     "                         pins of an FTDI USB adapter: ftdi (its TXD, RXD, RTS), or such as\n"
     "                         ftdi:A50285BI/B:D4,D5,D6 (serial number, channel, pins)",
     [](Options& o, std::string_view value) { o.port = parse_port_argument(value); }},
    {"--trace", "FILE", std::nullopt,
     "record the bus lines as a value change dump (GTKWave, PulseView,\n"
     "                         sigrok)",
     [](Options& o, std::string_view value) { o.trace = file_name("--trace", value); }},
    // An empty value switches the option off: systemd passes the service's empty RIGCTLD or
    // WORD_B as an empty argument.
    {"--rigctld", "[[HOST:]PORT]", kRigctldPort,
     "serve Hamlib's rigctld protocol (default {}; an empty\n"
     "                         value: no server)",
     [](Options& o, std::string_view value) {
       if (!value.empty()) o.rigctld = parse_endpoint("--rigctld", value, kRigctldPort);
     },
     [] { return default_endpoint_text(kRigctldPort); }},
    {"--http", "[[HOST:]PORT]", kHttpPort,
     "serve the tuning page to browsers (default {}; on\n"
     "                         another address it asks for a password; an empty value: no page)",
     [](Options& o, std::string_view value) {
       if (!value.empty()) o.http = parse_endpoint("--http", value, kHttpPort);
     },
     [] { return default_endpoint_text(kHttpPort); }},
    {"--http-proxy", "ADDRESS", std::nullopt,
     "with --http: the page is reached through a reverse proxy at\n"
     "                         ADDRESS (such as 127.0.0.1): it asks for the password on\n"
     "                         every address, and counts a request from ADDRESS as from the\n"
     "                         client that its X-Forwarded-For names last (an empty value: none)",
     [](Options& o, std::string_view value) {
       if (!value.empty()) o.http_proxy = parse_address("--http-proxy", value);
     }},
    {"--headless", "", std::nullopt,
     "no window: start up, serve --rigctld, and log every transmission on\n"
     "                         standard output until SIGINT or SIGTERM",
     [](Options& o, std::string_view) { o.headless = true; }},
    {"--word-b", "SETTINGS", std::nullopt,
     "with --headless or --sweep, send Word B once after start-up, such\n"
     "                         as refh=1.25,current=0.23,sla=sync,phase=on,brm=switched,test=lock\n"
     "                         (an empty value: none)",
     [](Options& o, std::string_view value) {
       if (value.empty()) return;
       o.word_b = parse_word_b(value);
       o.word_b_text = std::string(value);
     }},
    {"--resume", "[yes|no]", "yes",
     "start on the divider, Word B and bus speed that the last run left in\n"
     "                         --state's file; a --word-b given here changes the settings it names",
     [](Options& o, std::string_view value) {
       if (value != "yes" && value != "no" && !value.empty()) {
         throw UsageError("invalid --resume value '" + std::string(value) + "': give yes or no");
       }
       o.resume = value == "yes";
     }},
    {"--state", "FILE", std::nullopt,
     "where the divider, the last Word B sent and the bus speed are kept\n"
     "                         (default: the file state in ~/.local/state/saa1057-panel)",
     [](Options& o, std::string_view value) { o.state = file_name("--state", value); }},
    {"--stations", "FILE.csv", std::nullopt,
     "replace the stations kept beside --state's file with the rows of\n"
     "                         FILE.csv: a header line name,mhz, then a station a line, such\n"
     "                         as Radio 4,93.5; a bad row changes nothing",
     [](Options& o, std::string_view value) { o.stations = file_name("--stations", value); }},
    {"--lock", "[PIN]", kPortsOwnLockPin,
     "read the chip's in-lock signal back from its test pin: on a\n"
     "                         parallel port a status pin, 10 unless given (11 is inverted by\n"
     "                         the port; 12, 13 and 15 may be chosen too); on an FTDI adapter\n"
     "                         a pin, D3 (CTS) unless given; GPIO names it as a fourth line:\n"
     "                         " SAA_GPIO_LINES_FORM ",LOCK (an empty value: none)",
     [](Options& o, std::string_view value) {
       if (value.empty()) return;
       o.lock = value == kPortsOwnLockPin ? "" : std::string(value);
     }},
    {"--lock-timeout", "MS", std::nullopt,
     "with a lock line: how long a word is given to lock, in whole\n"
     "                         milliseconds {}; longer for a slow loop\n"
     "                         filter or a low charge-pump current",
     [](Options& o, std::string_view value) { o.lock_timeout = parse_lock_timeout(value); },
     lock_timeout_text},
    {"--sweep", "[FROM-TO[/STEP]]", "",
     "without a window: step the divider from FROM to TO, each in MHz\n"
     "                         received (88-108/0.1) or as a divider ending in N\n"
     "                         (8600N-12850N/5N), downward where FROM is above TO; wait for\n"
     "                         lock at each step on the lock line (--lock's default unless\n"
     "                         given), print CSV rows, then exit; the whole band unless given:\n"
     "                         {}",
     [](Options& o, std::string_view value) { o.sweep_range = std::string(value); },
     default_sweep_text},
    {"--plot", "FILE.svg|FILE.png", std::nullopt, "with --sweep, draw lock time against frequency",
     [](Options& o, std::string_view value) { o.plot = parse_plot(value); }},
    {"--help", "", std::nullopt, "show this help and exit",
     [](Options& o, std::string_view) { o.help = true; }},
    {"--version", "", std::nullopt, "show the version and exit",
     [](Options& o, std::string_view) { o.version = true; }},
}};

const OptionRow* find_option(std::string_view name) {
  for (const auto& row : kOptions) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

}  // namespace

Options parse_options(std::span<const std::string_view> arguments) {
  Options options;
  std::set<std::string_view> seen;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    const auto equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const OptionRow* row = argument.starts_with("--") ? find_option(name) : nullptr;
    if (!row) {
      if (argument.starts_with("-")) {
        throw UsageError("unknown option '" + std::string(argument) + "'");
      }
      throw UsageError("unexpected argument '" + std::string(argument) + "'");
    }
    if (!seen.insert(row->name).second) {
      throw UsageError("option '" + std::string(row->name) + "' given twice");
    }
    std::string_view value;
    if (row->value_name.empty()) {
      if (equals != std::string_view::npos) {
        throw UsageError("option '" + std::string(row->name) + "' takes no value");
      }
    } else if (equals != std::string_view::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size() &&
               !(row->value_if_omitted && arguments[i + 1].starts_with("-"))) {
      value = arguments[++i];
    } else if (row->value_if_omitted) {
      value = *row->value_if_omitted;
    } else {
      throw UsageError("option '" + std::string(row->name) + "' needs a value");
    }
    row->apply(options, value);
  }
  if (options.sweep_range) {
    const bool refh = options.word_b && options.word_b->refh;
    options.sweep = parse_sweep(*options.sweep_range, words::step_for_refh(refh));
  }
  if (options.simulate && options.port) {
    throw UsageError("--port and --simulate cannot be combined");
  }
  // A sweep writes rows instead of showing a window, and reads the lock at each step.
  const bool lock_for_sweep = options.sweep && !options.lock;
  if (options.sweep) {
    options.headless = true;
    if (lock_for_sweep) options.lock = "";
  }
  if (options.word_b && !options.headless) {
    throw UsageError("--word-b needs --headless: in the window, \"Send Word 'B'\" sends Word B");
  }
  if (options.sweep && (options.rigctld || options.http)) {
    throw UsageError("--sweep runs alone: leave out --rigctld and --http");
  }
  if (options.http_proxy && !options.http) throw UsageError("--http-proxy needs --http");
  if (options.plot && !options.sweep) throw UsageError("--plot needs --sweep");
  if (options.sweep && (options.resume || options.state || options.stations)) {
    throw UsageError("--sweep keeps no state: leave out --resume, --state and --stations");
  }
  place_lock_line(options, lock_for_sweep ? "--sweep" : "--lock");
  if (seen.contains("--lock-timeout") && !reads_lock_line(options)) {
    throw UsageError("--lock-timeout needs a lock line to wait on: add --lock, or --sweep");
  }
  return options;
}

std::string help_text(std::string_view program) {
  std::string text = "Usage: " + std::string(program) + " [OPTION]...\n" SAA_DESCRIPTION ".\n\n";
  for (const auto& row : kOptions) {
    std::string left = std::string(row.name);
    if (!row.value_name.empty()) left += " " + std::string(row.value_name);
    // A long option takes a line of its own; its help starts below it.
    const std::string gap =
        left.size() < 23 ? std::string(23 - left.size(), ' ') : "\n" + std::string(25, ' ');
    std::string help(row.help);
    if (const auto mark = help.find("{}"); mark != std::string::npos) {
      help.replace(mark, 2, row.help_fill());
    }
    text += "  " + left + gap + help + "\n";
  }
  return text;
}

std::string program_version() { return std::string(common::kProgramName) + " " SAA_VERSION; }
std::string version_text() { return program_version() + "\n"; }

}  // namespace cli
