#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rigctl/tuner.hpp"

namespace rigctl {

// Hamlib's error codes, as RPRT -n.
inline constexpr int kOk = 0;
inline constexpr int kInvalidArgument = -1;  // RIG_EINVAL
inline constexpr int kNotAvailable = -11;    // RIG_ENAVAIL

struct Reply {
  int status = kOk;
  // Read commands: a value per line, each with its label for extended answers ("Frequency").
  // An empty label marks a line that is shown as it is in both forms.
  std::vector<std::pair<std::string, std::string>> values;
  bool close = false;
};

struct Command {
  std::string_view short_name;  // "f"; empty where the command has only a long name
  std::string_view long_name;   // "get_freq", written \get_freq
  int argument_count;
  bool sets;  // answers RPRT n; a read answers its values, or RPRT n when it fails
  Reply (*run)(Tuner& tuner, std::span<const std::string> arguments);
};

// The command that a token names ("f", "\get_freq"); none for an unknown one.
const Command* find_command(std::string_view token);

}  // namespace rigctl
