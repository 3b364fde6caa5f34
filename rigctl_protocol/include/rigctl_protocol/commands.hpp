#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rigctl_protocol/receiver.hpp"

namespace rigctl_protocol {

// Hamlib's error codes, as RPRT -n.
inline constexpr int kOk = 0;
inline constexpr int kInvalidArgument = -1;  // RIG_EINVAL
inline constexpr int kIoError = -6;          // RIG_EIO
inline constexpr int kNotAvailable = -11;    // RIG_ENAVAIL

struct Reply {
  int status = kOk;
  // Read commands: a value per line, each with its label for extended answers ("Frequency").
  // An empty label marks a line that is shown as it is in both forms.
  std::vector<std::pair<std::string, std::string>> values;
  bool close = false;
};

// How a plain (not extended) answer ends when the command succeeds.
enum class Answer {
  kStatus,            // RPRT 0 only: the sets
  kValues,            // the values only: the reads
  kValuesThenStatus,  // the values, then RPRT 0: reads that Hamlib lists without outputs
};

// The argument of send_morse and send_cmd is the rest of the line, spaces and all.
inline constexpr int kRestOfLine = -1;

// Whether a command names its VFO first when the client has asked for that (\set_vfo_opt 1).
enum class Vfo { kArgument, kNone };

// One client's side of the conversation: the receiver all clients share, and its own choices.
struct Client {
  Receiver& receiver;
  bool vfo_mode = false;
  std::string vfo{kCaps.vfo};
};

struct Command {
  std::string_view short_name;  // one byte ("f", "\x8b"); empty where there is only a long name
  std::string_view long_name;   // "get_freq", written \get_freq
  int argument_count = 0;       // or kRestOfLine; without the VFO
  Vfo vfo = Vfo::kArgument;
  Answer answer = Answer::kStatus;
  // Null for the commands a receive-only tuner has no use for: they answer RPRT -11.
  Reply (*run)(Client& client, std::span<const std::string> arguments) = nullptr;
};

// The command that a token names ("f", "\get_freq"); none for an unknown one.
const Command* find_command(std::string_view token);

}  // namespace rigctl_protocol
