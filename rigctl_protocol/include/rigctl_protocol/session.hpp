#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rigctl_protocol/commands.hpp"
#include "rigctl_protocol/receiver.hpp"

namespace rigctl_protocol {

// One client's conversation. Input is a stream of whitespace-separated tokens; a command takes
// its arguments from the tokens after it, on the same line or later ones. Every command gets
// exactly one answer, so a client never falls out of step: a word that names no command is
// answered once and the rest of its line is dropped. A prefix of '+', ';', '|' or ',' asks for
// the extended answer, whose lines are separated by that character. In VFO mode
// (\set_vfo_opt 1) the commands that concern a VFO take its name before their arguments.
// Commands are carried out a whole line at a time, so that a line of HTTP (a browser sent here
// by a web page) can end the connection before anything in it is.
class Session {
 public:
  static constexpr std::size_t kMaxLineBytes = 1024;

  explicit Session(Receiver& receiver) : client_{receiver} {}

  struct Output {
    std::string answer;
    bool close = false;  // the client quit, or broke the rules: end the connection
  };

  // Takes the bytes that arrived and answers every command they complete.
  Output feed(std::string_view bytes);

 private:
  void take_line(Output& output);
  void take_token(std::string token, Output& output);
  void end_line(Output& output);
  void answer(Output& output);
  std::size_t arguments_wanted() const;

  Client client_;
  std::string line_;  // its newline not yet come
  bool first_line_ = true;
  std::string partial_token_;
  bool closed_ = false;
  bool skipping_line_ = false;  // after an unknown word, or for a rest-of-line argument
  // A command still waiting for its arguments, and how to answer it.
  const Command* command_ = nullptr;
  std::vector<std::string> arguments_;
  char separator_ = '\0';  // '\0': a plain answer
};

}  // namespace rigctl_protocol
