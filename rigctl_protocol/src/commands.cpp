#include "rigctl_protocol/commands.hpp"

#include <array>
#include <charconv>
#include <cmath>

#include "words/word_a.hpp"

namespace rigctl_protocol {

namespace {

Reply values(std::vector<std::pair<std::string, std::string>> lines) {
  return Reply{kOk, std::move(lines), false};
}
Reply status(int code) { return Reply{code, {}, false}; }
Reply lines(std::span<const std::string> texts) {
  Reply reply;
  for (const auto& text : texts) reply.values.push_back({"", text});
  return reply;
}

std::optional<double> number(const std::string& token) {
  double value = 0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (error != std::errc{} || end != token.data() + token.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string hz_text(std::int64_t hz) { return std::to_string(hz) + ".000000"; }

Reply get_freq(Client& client, std::span<const std::string>) {
  return values({{"Frequency", std::to_string(client.receiver.frequency_hz())}});
}

Reply set_freq(Client& client, std::span<const std::string> arguments) {
  const auto hz = number(arguments[0]);
  if (!hz) return status(kInvalidArgument);
  switch (client.receiver.set_frequency(*hz)) {
    case Tuning::kDone:
      return status(kOk);
    case Tuning::kOutOfRange:
      return status(kInvalidArgument);
    case Tuning::kFailed:
      break;
  }
  return status(kIoError);
}

Reply get_mode(Client& client, std::span<const std::string>) {
  return values({{"Mode", std::string(client.receiver.mode().name)},
                 {"Passband", std::to_string(client.receiver.passband_hz())}});
}

Reply set_mode(Client& client, std::span<const std::string> arguments) {
  const auto passband = number(arguments[1]);
  const bool whole = passband && *passband == std::trunc(*passband) && std::abs(*passband) < 1e9;
  return status(whole &&
                        client.receiver.set_mode(arguments[0], static_cast<std::int64_t>(*passband))
                    ? kOk
                    : kInvalidArgument);
}

// The receiver has one VFO. Hamlib's open selects VFOB to find out whether there is one, then
// VFOA again: both name the one receiver, and a client reads back the name it chose.
Reply get_vfo(Client& client, std::span<const std::string>) {
  return values({{"VFO", client.vfo}});
}

Reply set_vfo(Client& client, std::span<const std::string> arguments) {
  if (arguments[0] == "currVFO") return status(kOk);
  if (arguments[0] != kCaps.vfo && arguments[0] != "VFOB") return status(kNotAvailable);
  client.vfo = arguments[0];
  return status(kOk);
}

Reply chk_vfo(Client& client, std::span<const std::string>) {
  return values({{"ChkVFO", client.vfo_mode ? "1" : "0"}});
}

Reply set_vfo_opt(Client& client, std::span<const std::string> arguments) {
  if (arguments[0] != "0" && arguments[0] != "1") return status(kInvalidArgument);
  client.vfo_mode = arguments[0] == "1";
  return status(kOk);
}

Reply get_split_vfo(Client&, std::span<const std::string>) {
  return values({{"Split", "0"}, {"TX VFO", std::string(kCaps.vfo)}});
}

Reply get_ptt(Client&, std::span<const std::string>) { return values({{"PTT", "0"}}); }

// A receiver is always off the air: PTT off is accepted, any way of transmitting is not.
Reply set_ptt(Client&, std::span<const std::string> arguments) {
  const auto ptt = number(arguments[0]);
  if (!ptt) return status(kInvalidArgument);
  return status(*ptt == 0 ? kOk : kNotAvailable);
}

Reply get_dcd(Client&, std::span<const std::string>) { return values({{"DCD", "0"}}); }
Reply get_powerstat(Client&, std::span<const std::string>) {
  return values({{"Power Status", "1"}});
}
Reply get_lock_mode(Client&, std::span<const std::string>) { return values({{"Locked", "0"}}); }

Reply get_info(Client& client, std::span<const std::string>) {
  const words::Step step = client.receiver.step();
  return values({{"Info", "SAA1057 synthesizer, receive only, " +
                              std::to_string(lowest_hz(step) / 1'000'000) + "-" +
                              std::to_string(highest_hz(step) / 1'000'000) + " MHz"}});
}

// What a receive-only tuner tells a Hamlib client about itself (protocol 0, model 2, the
// network rig), line by line; each list ends with its zero line.
Reply dump_state(Client& client, std::span<const std::string>) {
  const words::Step step = client.receiver.step();
  const std::string modes(kCaps.modes_bits);
  std::vector<std::string> texts{
      "0",  // protocol version
      "2",  // rig model
      "0",  // ITU region
      hz_text(lowest_hz(step)) + " " + hz_text(highest_hz(step)) + " " + modes + " -1 -1 " +
          std::string(kCaps.vfo_bit) + " 0",  // receive range
      "0 0 0 0 0 0 0",
      "0 0 0 0 0 0 0",                        // no transmit range
      modes + " " + std::to_string(step.hz),  // tuning step
      "0 0",
  };
  for (const ModeCaps& mode : kCaps.modes) {  // filters
    texts.push_back(std::string(mode.hamlib_bit) + " " + std::to_string(mode.default_passband_hz));
  }
  texts.push_back("0 0");
  // Max RIT, XIT and IF shift, announces, preamplifiers, attenuators; then no functions, levels
  // or parameters to get or set.
  for (int i = 0; i < 6; ++i) texts.push_back("0");
  for (int i = 0; i < 6; ++i) texts.push_back("0x0");
  return lines(texts);
}

// The capabilities that clients read before they poll (CQRLOG decides by them whether to switch
// the rig on, read its VFO or key it), in Hamlib's "Key:<tab>value" form. What the panel can
// do is what its commands do.
Reply dump_caps(Client&, std::span<const std::string>) {
  std::vector<std::string> texts{
      "Caps dump for model:\t2",  "Model name:\tNET rigctl", "Mfg name:\tHamlib",
      "Rig type:\tReceiver",      "PTT type:\tNone",         "DCD type:\tRig capable",
      "Port type:\tNetwork link",
  };
  constexpr std::array<std::pair<const char*, const char*>, 11> kCan{{
      {"Can set Frequency", "\\set_freq"},
      {"Can get Frequency", "\\get_freq"},
      {"Can set Mode", "\\set_mode"},
      {"Can get Mode", "\\get_mode"},
      {"Can set VFO", "\\set_vfo"},
      {"Can get DCD", "\\get_dcd"},
      {"Can set Power Stat", "\\set_powerstat"},
      {"Can get Power Stat", "\\get_powerstat"},
      {"Can get VFO", "\\get_vfo"},
      {"Can send Morse", "\\send_morse"},
      {"Can send Voice", "\\send_voice_mem"},
  }};
  for (const auto& [key, command] : kCan) {
    texts.push_back(std::string(key) + ":\t" + (find_command(command)->run ? "Y" : "N"));
  }
  return lines(texts);
}

Reply quit(Client&, std::span<const std::string>) { return Reply{kOk, {}, true}; }

// Every command of Hamlib's rigctld (4.5 and 4.6), so that each is answered once, after its
// arguments: lower case reads, upper case sets, as in Hamlib's own table, which also says which
// name their VFO first in VFO mode. Bytes above 0x7f are
// the short names Hamlib gives the commands that have no letter (gpredict sends 0x8b).
constexpr Answer kValues = Answer::kValues;
constexpr Vfo kVfoArg = Vfo::kArgument;
constexpr Vfo kNoVfo = Vfo::kNone;
constexpr auto kCommands = std::to_array<Command>({
    {"F", "set_freq", 1, kVfoArg, Answer::kStatus, set_freq},
    {"f", "get_freq", 0, kVfoArg, kValues, get_freq},
    {"M", "set_mode", 2, kVfoArg, Answer::kStatus, set_mode},
    {"m", "get_mode", 0, kVfoArg, kValues, get_mode},
    {"I", "set_split_freq", 1, kVfoArg},
    {"i", "get_split_freq", 0, kVfoArg},
    {"X", "set_split_mode", 2, kVfoArg},
    {"x", "get_split_mode", 0, kVfoArg},
    {"K", "set_split_freq_mode", 3, kVfoArg},
    {"k", "get_split_freq_mode", 0, kVfoArg},
    {"S", "set_split_vfo", 2, kVfoArg},
    {"s", "get_split_vfo", 0, kVfoArg, kValues, get_split_vfo},
    {"N", "set_ts", 1, kVfoArg},
    {"n", "get_ts", 0, kVfoArg},
    {"L", "set_level", 2, kVfoArg},
    {"l", "get_level", 1, kVfoArg},
    {"U", "set_func", 2, kVfoArg},
    {"u", "get_func", 1, kVfoArg},
    {"P", "set_parm", 2, kNoVfo},
    {"p", "get_parm", 1, kNoVfo},
    {"G", "vfo_op", 1, kVfoArg},
    {"g", "scan", 2, kVfoArg},
    {"A", "set_trn", 1, kNoVfo},
    {"a", "get_trn", 0, kNoVfo},
    {"R", "set_rptr_shift", 1, kVfoArg},
    {"r", "get_rptr_shift", 0, kVfoArg},
    {"O", "set_rptr_offs", 1, kVfoArg},
    {"o", "get_rptr_offs", 0, kVfoArg},
    {"C", "set_ctcss_tone", 1, kVfoArg},
    {"c", "get_ctcss_tone", 0, kVfoArg},
    {"D", "set_dcs_code", 1, kVfoArg},
    {"d", "get_dcs_code", 0, kVfoArg},
    {"\x90", "set_ctcss_sql", 1, kVfoArg},
    {"\x91", "get_ctcss_sql", 0, kVfoArg},
    {"\x92", "set_dcs_sql", 1, kVfoArg},
    {"\x93", "get_dcs_sql", 0, kVfoArg},
    {"V", "set_vfo", 1, kNoVfo, Answer::kStatus, set_vfo},
    {"v", "get_vfo", 0, kNoVfo, kValues, get_vfo},
    {"T", "set_ptt", 1, kVfoArg, Answer::kStatus, set_ptt},
    {"t", "get_ptt", 0, kVfoArg, kValues, get_ptt},
    {"E", "set_mem", 1, kVfoArg},
    {"e", "get_mem", 0, kVfoArg},
    {"H", "set_channel", 1, kNoVfo},
    {"h", "get_channel", 2, kNoVfo},
    {"B", "set_bank", 1, kVfoArg},
    {"_", "get_info", 0, kNoVfo, kValues, get_info},
    {"J", "set_rit", 1, kVfoArg},
    {"j", "get_rit", 0, kVfoArg},
    {"Z", "set_xit", 1, kVfoArg},
    {"z", "get_xit", 0, kVfoArg},
    {"Y", "set_ant", 2, kVfoArg},
    {"y", "get_ant", 1, kVfoArg},
    {"\x87", "set_powerstat", 1, kNoVfo},
    {"\x88", "get_powerstat", 0, kNoVfo, kValues, get_powerstat},
    {"\x89", "send_dtmf", 1, kNoVfo},
    {"\x8a", "recv_dtmf", 0, kNoVfo},
    {"*", "reset", 1, kNoVfo},
    {"w", "send_cmd", kRestOfLine, kNoVfo},
    {"W", "send_cmd_rx", 2, kNoVfo},
    {"b", "send_morse", kRestOfLine, kNoVfo},
    {"\xbb", "stop_morse", 0, kNoVfo},
    {"\xbc", "wait_morse", 0, kNoVfo},
    {"\x94", "send_voice_mem", 1, kNoVfo},
    {"\xab", "stop_voice_mem", 0, kNoVfo},
    {"\x8b", "get_dcd", 0, kNoVfo, kValues, get_dcd},
    {"\x8d", "set_twiddle", 1, kNoVfo},
    {"\x8e", "get_twiddle", 0, kNoVfo},
    {"\x97", "uplink", 1, kNoVfo},
    {"\x95", "set_cache", 1, kNoVfo},
    {"\x96", "get_cache", 0, kNoVfo},
    {"2", "power2mW", 3, kNoVfo},
    {"4", "mW2power", 3, kNoVfo},
    {"1", "dump_caps", 0, kNoVfo, Answer::kValuesThenStatus, dump_caps},
    {"3", "dump_conf", 0, kNoVfo},
    {"\x8f", "dump_state", 0, kNoVfo, kValues, dump_state},
    {"\xf0", "chk_vfo", 0, kNoVfo, kValues, chk_vfo},
    {"\xf2", "set_vfo_opt", 1, kNoVfo, Answer::kStatus, set_vfo_opt},
    {"\xf3", "get_vfo_info", 1, kNoVfo},
    {"\xf5", "get_rig_info", 0, kNoVfo},
    {"\xf4", "get_vfo_list", 0, kNoVfo},
    {"\xa6", "get_vfo_list", 0, kNoVfo},  // 4.6's second code for it
    {"\xf6", "get_modes", 0, kNoVfo},
    {"\xf9", "get_clock", 0, kNoVfo},
    {"\xf8", "set_clock", 1, kNoVfo},
    {"\xf1", "halt", 0, kNoVfo},
    {"\x8c", "pause", 1, kNoVfo},
    {"\x98", "password", 1, kNoVfo},
    {"\xf7", "get_mode_bandwidths", 1, kNoVfo},
    {"\xa0", "set_separator", 1, kNoVfo},
    {"\xa1", "get_separator", 0, kNoVfo},
    {"\xa2", "set_lock_mode", 1, kNoVfo},
    {"\xa3", "get_lock_mode", 0, kNoVfo, kValues, get_lock_mode},
    {"\xa4", "send_raw", 2, kNoVfo},
    {"\xa5", "client_version", 1, kNoVfo},
    {"\xa7", "test", 1, kNoVfo},
    {"\xa8", "hamlib_version", 0, kNoVfo},
    {"\xa9", "get_gpio", 1, kNoVfo},
    {"\xaa", "set_gpio", 2, kNoVfo},
    {"\xac", "set_conf", 2, kNoVfo},
    {"\xad", "get_conf", 1, kNoVfo},
    {"q", "quit", 0, kNoVfo, Answer::kStatus, quit},
    {"Q", "quit", 0, kNoVfo, Answer::kStatus, quit},
    {"", "exit", 0, kNoVfo, Answer::kStatus, quit},
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

}  // namespace rigctl_protocol
