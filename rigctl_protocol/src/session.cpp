#include "rigctl_protocol/session.hpp"

#include <span>

#include "rigctl_protocol/commands.hpp"

namespace rigctl_protocol {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_separator_prefix(char c) { return c == '+' || c == ';' || c == '|' || c == ','; }

std::string rprt(int status) { return "RPRT " + std::to_string(status) + "\n"; }

// The answer to one command, plain or extended (with `separator` between its lines).
std::string format(const Command& command, const Reply& reply,
                   std::span<const std::string> arguments, char separator) {
  if (separator == '\0') {
    if (reply.status != kOk || command.answer == Answer::kStatus) return rprt(reply.status);
    std::string answer;
    for (const auto& [label, value] : reply.values) answer += value + "\n";
    return command.answer == Answer::kValuesThenStatus ? answer + rprt(kOk) : answer;
  }
  std::string answer(command.long_name);
  answer += ':';
  for (const auto& argument : arguments) answer += " " + argument;
  answer += separator;
  for (const auto& [label, value] : reply.values) {
    answer += (label.empty() ? value : label + ": " + value) + separator;
  }
  return answer + rprt(reply.status);
}

}  // namespace

Session::Output Session::feed(std::string_view bytes) {
  Output output;
  for (const char c : bytes) {
    if (closed_) break;
    line_bytes_ = c == '\n' ? 0 : line_bytes_ + 1;
    if (line_bytes_ > kMaxLineBytes) {
      closed_ = true;
      break;
    }
    if (c == '\n' || !skipping_line_) {
      if (!is_space(c)) {
        partial_token_ += c;
        continue;
      }
      if (!partial_token_.empty()) {
        take_token(std::move(partial_token_), output);
        partial_token_.clear();
      }
      if (c == '\n') end_line(output);
    }
  }
  output.close = closed_;
  return output;
}

void Session::take_token(std::string token, Output& output) {
  if (command_) {
    arguments_.push_back(std::move(token));
  } else {
    std::string_view name = token;
    if (is_separator_prefix(name.front())) {
      separator_ = name.front() == '+' ? '\n' : name.front();
      name.remove_prefix(1);
      if (name.empty()) return;  // a prefix on its own applies to the next token
    }
    command_ = find_command(name);
    if (!command_) {
      output.answer += rprt(kNotAvailable);
      separator_ = '\0';
      skipping_line_ = true;
      return;
    }
    if (command_->argument_count == kRestOfLine) {
      skipping_line_ = true;
      return;
    }
  }
  if (arguments_.size() == arguments_wanted()) answer(output);
}

std::size_t Session::arguments_wanted() const {
  const bool vfo_first = client_.vfo_mode && command_->vfo == Vfo::kArgument;
  return static_cast<std::size_t>(command_->argument_count) + (vfo_first ? 1 : 0);
}

void Session::end_line(Output& output) {
  skipping_line_ = false;
  if (command_ && command_->argument_count == kRestOfLine) answer(output);
}

void Session::answer(Output& output) {
  // The VFO named first is the one receiver's, whichever it is.
  const auto own = std::span<const std::string>(arguments_)
                       .last(command_->argument_count == kRestOfLine
                                 ? arguments_.size()
                                 : static_cast<std::size_t>(command_->argument_count));
  const Reply reply = command_->run ? command_->run(client_, own) : Reply{kNotAvailable, {}, false};
  output.answer += format(*command_, reply, arguments_, separator_);
  closed_ = closed_ || reply.close;
  command_ = nullptr;
  arguments_.clear();
  separator_ = '\0';
}

}  // namespace rigctl_protocol
