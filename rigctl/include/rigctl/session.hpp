#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rigctl/commands.hpp"
#include "rigctl/tuner.hpp"

namespace rigctl {

// One client's conversation. Input is a stream of whitespace-separated tokens; a command takes
// its arguments from the tokens after it, on the same line or later ones. Every command gets an
// answer. A prefix of '+', ';', '|' or ',' asks for the extended answer, whose lines are
// separated by that character.
class Session {
 public:
  static constexpr std::size_t kMaxLineBytes = 1024;

  explicit Session(Tuner& tuner) : tuner_(tuner) {}

  struct Output {
    std::string answer;
    bool close = false;  // the client quit, or broke the rules: end the connection
  };

  // Takes the bytes that arrived and answers every command they complete.
  Output feed(std::string_view bytes);

 private:
  void take_token(std::string token, Output& output);

  Tuner& tuner_;
  std::string partial_token_;
  std::size_t line_bytes_ = 0;
  bool closed_ = false;
  // A command still waiting for its arguments, and how to answer it.
  const Command* command_ = nullptr;
  std::vector<std::string> arguments_;
  char separator_ = '\0';  // '\0': a plain answer
};

}  // namespace rigctl
