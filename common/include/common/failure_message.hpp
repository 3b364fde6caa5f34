#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/fatal_error.hpp"

namespace common {

// A failure as the user reads it, always in one shape: "<what failed>: <the reason>. <the way
// out>." `what` names the port, chip, line or file ("Cannot open /dev/parport0"); `reason` is
// the system's ("Permission denied") and may go on in sentences of its own. Parts come without
// their final full stop; an empty reason or way out is left out.
std::string failure_message(std::string_view what, std::string_view reason,
                            std::string_view way_out);

// The error that carries such a message, to throw.
inline FatalError failure(std::string_view what, std::string_view reason,
                          std::string_view way_out) {
  return FatalError(failure_message(what, reason, way_out));
}

// The way out that is always left: "<first choices>, or try --simulate", or "Try --simulate".
std::string or_try_simulate(std::string_view first_choices = {});

// `text` in double quotes for a message, cut after kQuotedBytes at a whole UTF-8 character and
// "..." put after it: a bad file's line may be megabytes long.
inline constexpr std::size_t kQuotedBytes = 40;
std::string quoted(std::string_view text);

// Prints "saa1057-panel: MESSAGE" on standard error.
void print_error(const std::string& message);

}  // namespace common
