// Feeds arbitrary bytes, in arbitrary pieces, to one rigctld session, and a well-formed command
// stream built from the same bytes to another. Neither may crash or tune outside the slider's
// range; the stream's commands must each get exactly one answer; and after any input a session
// must answer a complete command in step.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rigctl_protocol/session.hpp"
#include "words/word_a.hpp"

namespace {

class CheckingTuner : public rigctl_protocol::Tuner {
 public:
  std::int32_t divider() const override { return divider_; }
  words::Step step() const override { return words::kFirstStep; }
  void tune(std::int32_t divider) override {
    if (divider < words::kLowestDivider || divider > words::kHighestDivider) std::abort();
    divider_ = divider;
  }
  bool failed() const override { return false; }

 private:
  std::int32_t divider_ = 11690;
};

void require(bool condition) {
  if (!condition) std::abort();
}

// Commands as Hamlib's clients send them, with the number of arguments Hamlib reads for each
// and whether they name their VFO first in VFO mode (\set_vfo_opt 1).
struct ClientCommand {
  const char* name;
  int arguments;
  bool vfo;
};
constexpr std::array<ClientCommand, 16> kClientCommands{{
    {"f", 0, true},
    {"F", 1, true},
    {"m", 0, true},
    {"M", 2, true},
    {"V", 1, false},
    {"T", 1, true},
    {"\\chk_vfo", 0, false},
    {"\\dump_state", 0, false},
    {"\\dump_caps", 0, false},
    {"\\get_dcd", 0, false},
    {"\\client_version", 1, false},
    {"\\get_vfo_info", 1, false},
    {"L", 2, true},
    {"K", 3, true},
    {"\\set_vfo_opt", 1, false},
    {"\\get_powerstat", 0, false},
}};
constexpr std::array<const char*, 8> kArguments{
    "100000000", "0", "1", "VFOA", "FM", "f", "\\get_freq", "1e308",
};

std::size_t count_status_lines(std::string_view answer) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < answer.size();) {
    if (answer.substr(at).starts_with("RPRT ")) ++count;
    const std::size_t end = answer.find('\n', at);
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return count;
}

void feed_bytes(std::string_view bytes, std::size_t piece) {
  CheckingTuner tuner;
  rigctl_protocol::Receiver receiver{tuner};
  rigctl_protocol::Session session{receiver};
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (session.feed(bytes.substr(at, piece)).close) return;
  }
  if (session.feed("\n").close) return;
  // Whatever came before, commands sent now are answered after at most four tokens of them
  // were taken as some earlier command's arguments, and then the session is in step. A lone
  // VFO name first: in VFO mode, what a command still waiting for its VFO takes.
  const std::string sentinel = "VFOA\n\\set_vfo_opt 0\n+\\get_freq\n";
  const std::string expected =
      "get_freq:\nFrequency: " + std::to_string(receiver.frequency_hz()) + "\nRPRT 0\n";
  bool in_step = false;
  for (int attempt = 0; attempt < 4 && !in_step; ++attempt) {
    const std::string answer = session.feed(sentinel).answer;
    in_step = answer.size() >= expected.size() &&
              answer.compare(answer.size() - expected.size(), expected.size(), expected) == 0;
  }
  require(in_step);
  require(session.feed(sentinel).answer == "RPRT -11\nRPRT 0\n" + expected);
}

void feed_commands(const std::uint8_t* data, std::size_t size) {
  CheckingTuner tuner;
  rigctl_protocol::Receiver receiver{tuner};
  rigctl_protocol::Session session{receiver};
  std::string stream;
  std::size_t commands = 0;
  bool vfo_mode = false;
  for (std::size_t at = 0; at < size;) {
    const ClientCommand& command = kClientCommands[data[at++] % kClientCommands.size()];
    stream += '+';
    stream += command.name;
    if (vfo_mode && command.vfo) stream += " VFOA";
    std::string argument;
    for (int i = 0; i < command.arguments; ++i) {
      argument = kArguments[at < size ? data[at++] % kArguments.size() : 0];
      stream += ' ' + argument;
    }
    if (std::string_view(command.name) == "\\set_vfo_opt" && (argument == "0" || argument == "1")) {
      vfo_mode = argument == "1";
    }
    stream += '\n';
    ++commands;
  }
  // Extended answers end in exactly one RPRT line each.
  require(count_status_lines(session.feed(stream).answer) == commands);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte decides how the rest is cut into reads.
  const std::size_t piece = size ? 1 + data[0] % 64 : 1;
  feed_bytes(std::string_view(reinterpret_cast<const char*>(data), size), piece);
  feed_commands(data, size);
  return 0;
}
