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

// A receiver is always off the air: PTT off is accepted, any way of transmitting is not.
Reply set_ptt(Tuner&, std::span<const std::string> arguments) {
  const auto ptt = number(arguments[0]);
  if (!ptt) return status(kInvalidArgument);
  return status(*ptt == 0 ? kOk : kNotAvailable);
}

Reply get_dcd(Tuner&, std::span<const std::string>) { return values({{"DCD", "0"}}); }
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

// The capabilities that clients read before they poll (CQRLOG decides by the last four lines
// whether to switch the rig on, read its VFO or key it), in Hamlib's "Key:<tab>value" form.
Reply dump_caps(Tuner&, std::span<const std::string>) {
  static constexpr std::array<const char*, 17> kLines{
      "Caps dump for model:\t2",  "Model name:\tNET rigctl", "Mfg name:\tHamlib",
      "Rig type:\tReceiver",      "PTT type:\tNone",         "DCD type:\tRig capable",
      "Port type:\tNetwork link", "Can set Frequency:\tY",   "Can get Frequency:\tY",
      "Can set Mode:\tY",         "Can get Mode:\tY",        "Can set VFO:\tY",
      "Can get DCD:\tY",          "Can set Power Stat:\tN",  "Can get VFO:\tY",
      "Can send Morse:\tN",       "Can send Voice:\tN",
  };
  Reply reply;
  for (const char* line : kLines) reply.values.push_back({"", line});
  return reply;
}

Reply quit(Tuner&, std::span<const std::string>) { return Reply{kOk, {}, true}; }

// Every command of Hamlib's rigctld (4.5 and 4.6), so that each is answered once, after its
// arguments: lower case reads, upper case sets, as in Hamlib's own table. Bytes above 0x7f are
// the short names Hamlib gives the commands that have no letter (gpredict sends 0x8b).
constexpr Answer kValues = Answer::kValues;
constexpr auto kCommands = std::to_array<Command>({
    {"F", "set_freq", 1, Answer::kStatus, set_freq},
    {"f", "get_freq", 0, kValues, get_freq},
    {"M", "set_mode", 2, Answer::kStatus, set_mode},
    {"m", "get_mode", 0, kValues, get_mode},
    {"I", "set_split_freq", 1},
    {"i", "get_split_freq", 0},
    {"X", "set_split_mode", 2},
    {"x", "get_split_mode", 0},
    {"K", "set_split_freq_mode", 3},
    {"k", "get_split_freq_mode", 0},
    {"S", "set_split_vfo", 2},
    {"s", "get_split_vfo", 0, kValues, get_split_vfo},
    {"N", "set_ts", 1},
    {"n", "get_ts", 0},
    {"L", "set_level", 2},
    {"l", "get_level", 1},
    {"U", "set_func", 2},
    {"u", "get_func", 1},
    {"P", "set_parm", 2},
    {"p", "get_parm", 1},
    {"G", "vfo_op", 1},
    {"g", "scan", 2},
    {"A", "set_trn", 1},
    {"a", "get_trn", 0},
    {"R", "set_rptr_shift", 1},
    {"r", "get_rptr_shift", 0},
    {"O", "set_rptr_offs", 1},
    {"o", "get_rptr_offs", 0},
    {"C", "set_ctcss_tone", 1},
    {"c", "get_ctcss_tone", 0},
    {"D", "set_dcs_code", 1},
    {"d", "get_dcs_code", 0},
    {"\x90", "set_ctcss_sql", 1},
    {"\x91", "get_ctcss_sql", 0},
    {"\x92", "set_dcs_sql", 1},
    {"\x93", "get_dcs_sql", 0},
    {"V", "set_vfo", 1, Answer::kStatus, set_vfo},
    {"v", "get_vfo", 0, kValues, get_vfo},
    {"T", "set_ptt", 1, Answer::kStatus, set_ptt},
    {"t", "get_ptt", 0, kValues, get_ptt},
    {"E", "set_mem", 1},
    {"e", "get_mem", 0},
    {"H", "set_channel", 1},
    {"h", "get_channel", 2},
    {"B", "set_bank", 1},
    {"_", "get_info", 0},
    {"J", "set_rit", 1},
    {"j", "get_rit", 0},
    {"Z", "set_xit", 1},
    {"z", "get_xit", 0},
    {"Y", "set_ant", 2},
    {"y", "get_ant", 1},
    {"\x87", "set_powerstat", 1},
    {"\x88", "get_powerstat", 0, kValues, get_powerstat},
    {"\x89", "send_dtmf", 1},
    {"\x8a", "recv_dtmf", 0},
    {"*", "reset", 1},
    {"w", "send_cmd", kRestOfLine},
    {"W", "send_cmd_rx", 2},
    {"b", "send_morse", kRestOfLine},
    {"\xbb", "stop_morse", 0},
    {"\xbc", "wait_morse", 0},
    {"\x94", "send_voice_mem", 1},
    {"\xab", "stop_voice_mem", 0},
    {"\x8b", "get_dcd", 0, kValues, get_dcd},
    {"\x8d", "set_twiddle", 1},
    {"\x8e", "get_twiddle", 0},
    {"\x97", "uplink", 1},
    {"\x95", "set_cache", 1},
    {"\x96", "get_cache", 0},
    {"2", "power2mW", 3},
    {"4", "mW2power", 3},
    {"1", "dump_caps", 0, Answer::kValuesThenStatus, dump_caps},
    {"3", "dump_conf", 0},
    {"\x8f", "dump_state", 0, kValues, dump_state},
    {"\xf0", "chk_vfo", 0, kValues, chk_vfo},
    {"\xf2", "set_vfo_opt", 1},
    {"\xf3", "get_vfo_info", 1},
    {"\xf5", "get_rig_info", 0},
    {"\xf4", "get_vfo_list", 0},
    {"\xa6", "get_vfo_list", 0},  // 4.6's second code for it
    {"\xf6", "get_modes", 0},
    {"\xf9", "get_clock", 0},
    {"\xf8", "set_clock", 1},
    {"\xf1", "halt", 0},
    {"\x8c", "pause", 1},
    {"\x98", "password", 1},
    {"\xf7", "get_mode_bandwidths", 1},
    {"\xa0", "set_separator", 1},
    {"\xa1", "get_separator", 0},
    {"\xa2", "set_lock_mode", 1},
    {"\xa3", "get_lock_mode", 0, kValues, get_lock_mode},
    {"\xa4", "send_raw", 2},
    {"\xa5", "client_version", 1},
    {"\xa7", "test", 1},
    {"\xa8", "hamlib_version", 0},
    {"\xa9", "get_gpio", 1},
    {"\xaa", "set_gpio", 2},
    {"\xac", "set_conf", 2},
    {"\xad", "get_conf", 1},
    {"q", "quit", 0, Answer::kStatus, quit},
    {"Q", "quit", 0, Answer::kStatus, quit},
    {"", "exit", 0, Answer::kStatus, quit},
});

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
