#include "rigctl_protocol/session.hpp"

#include <algorithm>
#include <span>

#include "rigctl_protocol/commands.hpp"

namespace rigctl_protocol {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_separator_prefix(char c) { return c == '+' || c == ';' || c == '|' || c == ','; }

std::string rprt(int status) { return "RPRT " + std::to_string(status) + "\n"; }

bool is_token_char(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// A line of HTTP, which a web page can make a browser send to this port: a request line
// ("POST / HTTP/1.1") first, or a header ("Origin: ...") anywhere. No command looks like either.
bool is_http(std::string_view line, bool first) {
  const auto name_end = std::ranges::find_if_not(line, is_token_char);
  if (name_end != line.begin() && name_end != line.end() && *name_end == ':') return true;
  if (!first) return false;
  const auto version = line.rfind(" HTTP/");
  return version != std::string_view::npos && version > 0 && line.find(' ') < version;
}

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
    if (c != '\n') {
      line_ += c;
      closed_ = line_.size() > kMaxLineBytes;
      continue;
    }
    // Another protocol's request ends the connection before any of it is carried out.
    closed_ = is_http(line_, first_line_);
    if (!closed_) take_line(output);
    first_line_ = false;
    line_.clear();
  }
  output.close = closed_;
  return output;
}

void Session::take_line(Output& output) {
  line_ += '\n';
  for (const char c : line_) {
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
