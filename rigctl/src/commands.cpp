#include "rigctl/commands.hpp"

#include <array>
#include <charconv>
#include <cmath>

#include "words/word_a.hpp"

namespace rigctl {

namespace {

constexpr const char* kPassbandHz = "230000";
constexpr std::int64_t kHzPerDividerStep = words::kKhzPerDividerStep * 1000;
constexpr std::int64_t kIntermediateFrequencyHz = words::kIntermediateFrequencyKhz * 1000;

Reply values(std::vector<std::pair<std::string, std::string>> lines) {
  return Reply{kOk, std::move(lines), false};
}
Reply status(int code) { return Reply{code, {}, false}; }

std::optional<double> number(const std::string& token) {
  double value = 0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (error != std::errc{} || end != token.data() + token.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

Reply get_freq(Tuner& tuner, std::span<const std::string>) {
  const std::int64_t hz = tuner.divider() * kHzPerDividerStep - kIntermediateFrequencyHz;
  return values({{"Frequency", std::to_string(hz)}});
}

Reply set_freq(Tuner& tuner, std::span<const std::string> arguments) {
  const auto hz = number(arguments[0]);
  if (!hz) return status(kInvalidArgument);
  // Halves round to even, so 100005000 Hz tunes to 100 MHz.
  const double divider = std::nearbyint((*hz + kIntermediateFrequencyHz) / kHzPerDividerStep);
  if (!(divider >= words::kLowestDivider && divider <= words::kHighestDivider)) {
    return status(kInvalidArgument);
  }
  tuner.tune(static_cast<std::int32_t>(divider));
  return status(kOk);
}

Reply get_mode(Tuner&, std::span<const std::string>) {
  return values({{"Mode", "WFM"}, {"Passband", kPassbandHz}});
}

Reply set_mode(Tuner&, std::span<const std::string> arguments) {
  const bool fm = arguments[0] == "WFM" || arguments[0] == "FM";
  return status(fm && number(arguments[1]) ? kOk : kInvalidArgument);
}

Reply get_vfo(Tuner&, std::span<const std::string>) { return values({{"VFO", "VFOA"}}); }

Reply set_vfo(Tuner&, std::span<const std::string> arguments) {
  return status(arguments[0] == "VFOA" ? kOk : kNotAvailable);
}

Reply get_split_vfo(Tuner&, std::span<const std::string>) {
  return values({{"Split", "0"}, {"TX VFO", "VFOA"}});
}

Reply get_ptt(Tuner&, std::span<const std::string>) { return values({{"PTT", "0"}}); }
Reply chk_vfo(Tuner&, std::span<const std::string>) { return values({{"ChkVFO", "0"}}); }
Reply get_powerstat(Tuner&, std::span<const std::string>) {
  return values({{"Power Status", "1"}});
}
Reply get_lock_mode(Tuner&, std::span<const std::string>) { return values({{"Locked", "0"}}); }

// What a receive-only FM tuner tells a Hamlib client about itself (protocol 0, model 2, the
// network rig), line by line; each list ends with its zero line.
Reply dump_state(Tuner&, std::span<const std::string>) {
  static constexpr std::array<const char*, 23> kLines{
      "0",                                                  // protocol version
      "2",                                                  // rig model
      "0",                                                  // ITU region
      "63000000.000000 120000000.000000 0x60 -1 -1 0x1 0",  // receive: FM | WFM on VFO A
      "0 0 0 0 0 0 0",
      "0 0 0 0 0 0 0",  // no transmit range
      "0x60 10000",     // tuning step
      "0 0",
      "0x40 230000",  // filters: WFM, FM
      "0x20 15000",
      "0 0",
      "0",    // max RIT
      "0",    // max XIT
      "0",    // max IF shift
      "0",    // announces
      "0",    // preamplifiers
      "0",    // attenuators
      "0x0",  // get functions
      "0x0",  // set functions
      "0x0",  // get levels
      "0x0",  // set levels
      "0x0",  // get parameters
      "0x0",  // set parameters
  };
  Reply reply;
  for (const char* line : kLines) reply.values.push_back({"", line});
  return reply;
}

Reply quit(Tuner&, std::span<const std::string>) { return Reply{kOk, {}, true}; }

// One row a command: lower case reads, upper case sets, as in Hamlib's own table.
constexpr std::array<Command, 15> kCommands{{
    {"f", "get_freq", 0, false, get_freq},
    {"F", "set_freq", 1, true, set_freq},
    {"m", "get_mode", 0, false, get_mode},
    {"M", "set_mode", 2, true, set_mode},
    {"v", "get_vfo", 0, false, get_vfo},
    {"V", "set_vfo", 1, true, set_vfo},
    {"s", "get_split_vfo", 0, false, get_split_vfo},
    {"t", "get_ptt", 0, false, get_ptt},
    {"", "chk_vfo", 0, false, chk_vfo},
    {"", "get_powerstat", 0, false, get_powerstat},
    {"", "get_lock_mode", 0, false, get_lock_mode},
    {"", "dump_state", 0, false, dump_state},
    {"q", "quit", 0, true, quit},
    {"Q", "", 0, true, quit},
    {"", "exit", 0, true, quit},
}};

}  // namespace

const Command* find_command(std::string_view token) {
  const bool long_form = token.starts_with('\\');
  if (long_form) token.remove_prefix(1);
  for (const auto& command : kCommands) {
    const std::string_view name = long_form ? command.long_name : command.short_name;
    if (!name.empty() && name == token) return &command;
  }
  return nullptr;
}

}  // namespace rigctl
