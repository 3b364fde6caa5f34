#include "common/failure_message.hpp"

#include <iostream>

#include "common/program_name.hpp"

namespace common {

std::string failure_message(std::string_view what, std::string_view reason,
                            std::string_view way_out) {
  std::string message(what);
  if (!reason.empty()) message.append(": ").append(reason);
  message += '.';
  if (!way_out.empty()) message.append(" ").append(way_out).append(".");
  return message;
}

std::string or_try_simulate(std::string_view first_choices) {
  if (first_choices.empty()) return "Try --simulate";
  return std::string(first_choices) + ", or try --simulate";
}

std::string quoted(std::string_view text) {
  if (text.size() <= kQuotedBytes) return "\"" + std::string(text) + "\"";
  std::size_t end = kQuotedBytes;
  // Not inside a character: UTF-8's continuation bytes are 10xxxxxx.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return "\"" + std::string(text.substr(0, end)) + "...\"";
}

void print_error(const std::string& message) {
  std::cerr << kProgramName << ": " << message << std::endl;
}

}  // namespace common
