#include "common/failure_message.hpp"

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

}  // namespace common
