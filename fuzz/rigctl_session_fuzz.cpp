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

#include "rigctl/session.hpp"
#include "words/word_a.hpp"

namespace {

class CheckingTuner : public rigctl::Tuner {
 public:
  std::int32_t divider() const override { return divider_; }
  void tune(std::int32_t divider) override {
    if (divider < words::kLowestDivider || divider > words::kHighestDivider) std::abort();
    divider_ = divider;
  }

 private:
  std::int32_t divider_ = 11690;
};

void require(bool condition) {
  if (!condition) std::abort();
}

// Commands as Hamlib's clients send them, with the number of arguments Hamlib reads for each.
struct ClientCommand {
  const char* name;
  int arguments;
};
constexpr std::array<ClientCommand, 16> kClientCommands{{
    {"f", 0},
    {"F", 1},
    {"m", 0},
    {"M", 2},
    {"V", 1},
    {"T", 1},
    {"\\chk_vfo", 0},
    {"\\dump_state", 0},
    {"\\dump_caps", 0},
    {"\\get_dcd", 0},
    {"\\client_version", 1},
    {"\\get_vfo_info", 1},
    {"L", 2},
    {"K", 3},
    {"\\set_vfo_opt", 1},
    {"\\get_powerstat", 0},
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
  rigctl::Session session{tuner};
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (session.feed(bytes.substr(at, piece)).close) return;
  }
  if (session.feed("\n").close) return;
  // Whatever came before, a command sent now is answered after at most three tokens of it
  // were taken as some earlier command's arguments, and then the session is in step.
  const std::string sentinel = "+\\get_freq\n";
  const std::string expected =
      "get_freq:\nFrequency: " + std::to_string(tuner.divider() * 10'000LL - 10'700'000) +
      "\nRPRT 0\n";
  bool in_step = false;
  for (int attempt = 0; attempt < 4 && !in_step; ++attempt) {
    const std::string answer = session.feed(sentinel).answer;
    in_step = answer.size() >= expected.size() &&
              answer.compare(answer.size() - expected.size(), expected.size(), expected) == 0;
  }
  require(in_step);
  require(session.feed(sentinel).answer == expected);
}

void feed_commands(const std::uint8_t* data, std::size_t size) {
  CheckingTuner tuner;
  rigctl::Session session{tuner};
  std::string stream;
  std::size_t commands = 0;
  for (std::size_t at = 0; at < size;) {
    const ClientCommand& command = kClientCommands[data[at++] % kClientCommands.size()];
    stream += '+';
    stream += command.name;
    for (int i = 0; i < command.arguments; ++i) {
      stream += ' ';
      stream += kArguments[at < size ? data[at++] % kArguments.size() : 0];
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
