#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/golden.hpp"

namespace {

// The options as command_lines.txt writes them, or the usage error.
std::string outcome(std::span<const std::string_view> arguments) {
  try {
    const cli::Options options = cli::parse_options(arguments);
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
    if (const auto& b = options.word_b) {
      text += " word-b refh" + n(b->refh) + " sla" + n(b->sla) + " brm" + n(b->brm) + " current" +
              n(b->current) + " phase" + n(b->phase) + " test" + n(b->test);
    }
    if (options.trace) text += " trace " + *options.trace;
    if (options.resume) text += " resume";
    if (options.state) text += " state " + *options.state;
    if (const auto& at = options.rigctld) text += " rigctld " + at->host + n(at->port);
    if (const auto& at = options.http) text += " http " + at->host + n(at->port);
    if (const auto& sweep = options.sweep)
      text += " sweep" + n(sweep->from) + n(sweep->to) + n(sweep->step);
    if (const auto& plot = options.plot)
      text += " plot " + plot->file + (plot->format == cli::PlotFormat::png ? " png" : " svg");
    return text.empty() ? "standard port" : text.substr(1);
  } catch (const cli::UsageError& error) {
    return std::string("usage error: ") + error.what();
  }
}

TEST(Options, EveryCommandLineGivesItsOptionsOrItsUsageError) {
  for (const auto& row : support::golden("command_lines.txt")) {
    const auto columns = support::fields(row);
    auto words = support::split(columns[0] == "(none)" ? "" : columns[0], " ");
    std::vector<std::string_view> arguments;
    for (auto& word : words) {
      std::ranges::replace(word, '_', ' ');
      arguments.push_back(word == "''" ? std::string_view() : std::string_view(word));
    }
    EXPECT_EQ(outcome(arguments), columns[1]) << row;
  }
}

}  // namespace
