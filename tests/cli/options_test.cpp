#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "bus/inpout.hpp"
#include "common/checked_math.hpp"
#include "common/failure_message.hpp"
#include "port_choice/port_choice.hpp"
#include "support/command_line.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// The options as command_lines.txt writes them, or the usage error.
SAA_ROWS_TEST(Options, EveryCommandLineGivesItsOptionsOrItsUsageError, "command_lines.txt", line) {
  try {
    const cli::Options options = support::command_line(line);
    std::string text;
    const auto n = [](auto number) { return " " + std::to_string(number); };
    if (options.simulate) text += " simulate";
    if (options.help) text += " help";
    if (options.version) text += " version";
    const auto* port = options.port ? &*options.port : nullptr;
    if (const auto* device = std::get_if<cli::DevicePath>(port)) {
      text += " device " + device->path;
    } else if (const auto* gpio = std::get_if<cli::GpioLines>(port)) {
      text += " chip " + gpio->chip + " lines " + gpio->lines[0] + " " + gpio->lines[1] + " " +
              gpio->lines[2];
      if (gpio->lock) text += " lock " + *gpio->lock;
    } else if (const auto* ftdi = std::get_if<bus::FtdiAddress>(port)) {
      const auto& [names, bits, lock_bit, lock_name] = ftdi->pins;
      text += " ftdi serial '" + ftdi->serial + "' channel" + n(ftdi->channel) + " pins " +
              names[0] + " " + names[1] + " " + names[2] + " bits" + n(bits[0]) + n(bits[1]) +
              n(bits[2]);
      if (lock_bit) text += " lock " + lock_name + " bit" + n(*lock_bit);
    } else if (port) {
      text += " address" + n(std::get<cli::IoAddress>(*port).base);
    }
    if (options.lock_pin) text += " lock-pin" + n(options.lock_pin->pin);
    if (options.simulate && options.lock) text += " lock";
    // 100 ms, the timeout unless given, is left unsaid.
    if (options.lock_timeout.count() != 100)
      text += " lock-timeout" + n(options.lock_timeout.count());
    if (options.headless) text += " headless";
    if (const auto& b = options.word_b)
      text += " word-b refh" + n(b->refh) + " sla" + n(b->sla) + " brm" + n(b->brm) + " current" +
              n(b->current) + " phase" + n(b->phase) + " test" + n(b->test);
    if (options.trace) text += " trace " + *options.trace;
    if (options.resume) text += " resume";
    if (options.state) text += " state " + *options.state;
    if (const auto& at = options.rigctld) text += " rigctld " + at->host + n(at->port);
    if (const auto& at = options.http) text += " http " + at->host + n(at->port);
    if (options.http_proxy) text += " proxy " + *options.http_proxy;
    if (const auto& sweep = options.sweep)
      text += " sweep" + n(sweep->from) + n(sweep->to) + n(sweep->step);
    if (const auto& plot = options.plot)
      text += " plot " + plot->file + (plot->format == cli::PlotFormat::png ? " png" : " svg");
    return text.empty() ? "standard port" : text.substr(1);
  } catch (const cli::UsageError& error) {
    return std::string("usage error: ") + error.what();
  }
}

// The rows of port_choice.txt and port_lock_lines.txt whose platform (the first column) is this
// one's: the back end a command line picks, as the information line names it, and its lock line.
TEST(PortChoice, TheCommandLinePicksTheBackEndAndTheLockLineThatItNames) {
  const auto platforms = support::split(SAA_PLATFORMS, " ");
  for (const std::string file : {"port_choice.txt", "port_lock_lines.txt"}) {
    for (const auto& row : support::golden(file)) {
      const auto columns = support::fields(row);
      if (std::ranges::count(platforms, columns[0]) == 0) continue;
      const auto port = port_choice::choose_port(support::command_line(columns[1]));
      if (columns.size() == 3) {
        EXPECT_EQ(port->lock_line().value_or("(none)"), columns[2]) << row;
        continue;
      }
      EXPECT_EQ(port->label(), columns[2]) << row;
      EXPECT_EQ(port->description(), columns[3]) << row;
      if (columns.size() < 5) continue;
      bus::Inpout library{*port};
      EXPECT_EQ(support::failure_of([&library] { library.Out32(support::kStandardData, 0); }),
                columns[4])
          << row;
    }
  }
}

// The two messages no other test reaches: a build without real ports, whose only way out is
// the simulated chip, and an overflowing sum.
TEST(FailureMessage, ABuildWithoutPortsAndAnOverflowingSumSayWhatFailed) {
  EXPECT_EQ(common::failure_message("Cannot open the parallel port",
                                    "this build has no back end for real parallel ports",
                                    common::or_try_simulate()),
            "Cannot open the parallel port: this build has no back end for real parallel ports. "
            "Try --simulate.");
  EXPECT_EQ(support::failure_of([] { common::checked_add<std::int16_t>(32767, 2, "the sum"); }),
            "Arithmetic overflow in the sum: 32767 + 2 does not fit in 16 bits.");
}

}  // namespace
