#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <chrono>

#include "support/golden.hpp"

namespace {

// The options as command_lines.txt writes them, or the usage error.
std::string outcome(std::span<const std::string_view> arguments) {
  try {
    const cli::Options options = cli::parse_options(arguments);
    std::string text;
    if (options.simulate) text += " simulate";
    if (options.help) text += " help";
    if (options.version) text += " version";
    if (const auto* device =
            options.port ? std::get_if<cli::DevicePath>(&*options.port) : nullptr) {
      text += " device " + device->path;
    } else if (const auto* gpio =
                   options.port ? std::get_if<cli::GpioLines>(&*options.port) : nullptr) {
      text += " chip " + gpio->chip + " lines " + gpio->lines[0] + " " + gpio->lines[1] + " " +
              gpio->lines[2];
      if (gpio->lock) text += " lock " + *gpio->lock;
    } else if (const auto* ftdi =
                   options.port ? std::get_if<bus::FtdiAddress>(&*options.port) : nullptr) {
      const auto& [names, bits, lock_bit, lock_name] = ftdi->pins;
      text += " ftdi serial '" + ftdi->serial + "' channel " + std::to_string(ftdi->channel) +
              " pins " + names[0] + " " + names[1] + " " + names[2] + " bits " +
              std::to_string(bits[0]) + " " + std::to_string(bits[1]) + " " +
              std::to_string(bits[2]);
      if (lock_bit) text += " lock " + lock_name + " bit " + std::to_string(*lock_bit);
    } else if (options.port) {
      text += " address " + std::to_string(std::get<cli::IoAddress>(*options.port).base);
    }
    if (options.lock_pin) text += " lock-pin " + std::to_string(options.lock_pin->pin);
    if (options.simulate && options.lock) text += " lock";
    // 100 ms, the timeout unless given, is left unsaid.
    if (options.lock_timeout != std::chrono::milliseconds{100}) {
      text += " lock-timeout " + std::to_string(options.lock_timeout.count());
    }
    if (options.headless) text += " headless";
    if (const auto& b = options.word_b) {
      text += " word-b refh " + std::to_string(b->refh) + " sla " + std::to_string(b->sla) +
              " brm " + std::to_string(b->brm) + " current " + std::to_string(b->current) +
              " phase " + std::to_string(b->phase) + " test " + std::to_string(b->test);
    }
    if (options.trace) text += " trace " + *options.trace;
    if (options.resume) text += " resume";
    if (options.state) text += " state " + *options.state;
    if (const auto& at = options.rigctld)
      text += " rigctld " + at->host + " " + std::to_string(at->port);
    if (const auto& at = options.http) text += " http " + at->host + " " + std::to_string(at->port);
    if (const auto& sweep = options.sweep) {
      text += " sweep " + std::to_string(sweep->from) + " " + std::to_string(sweep->to) + " " +
              std::to_string(sweep->step);
    }
    if (const auto& plot = options.plot) {
      text += " plot " + plot->file + (plot->format == cli::PlotFormat::png ? " png" : " svg");
    }
    return text.empty() ? "standard port" : text.substr(1);
  } catch (const cli::UsageError& error) {
    return std::string("usage error: ") + error.what();
  }
}

TEST(Options, EveryCommandLineGivesItsOptionsOrItsUsageError) {
  for (const auto& row : support::golden("command_lines.txt")) {
    const auto columns = support::fields(row);
    const auto words = support::split(columns[0] == "(none)" ? "" : columns[0], " ");
    std::vector<std::string_view> arguments;
    for (const auto& word : words) {
      arguments.push_back(word == "''" ? std::string_view() : std::string_view(word));
    }
    EXPECT_EQ(outcome(arguments), columns[1]) << row;
  }
}

// The window's own texts have spaces, which the golden file's rows cannot hold.
TEST(Options, WordBTakesTheWindowsOwnTexts) {
  const std::vector<std::string_view> arguments{
      "--headless", "--word-b",
      "test=Output  programmable counter,current=2.3,phase=AUTOMATIC OFF,"
      "sla=Load mode - asynchronous,refh=1 Khz Reference frequency,brm=Current always on"};
  EXPECT_EQ(outcome(arguments), "headless word-b refh 0 sla 0 brm 0 current 4 phase 0 test 2");
}

}  // namespace
