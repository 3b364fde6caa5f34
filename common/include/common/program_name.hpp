#pragma once

#include <string_view>

namespace common {

// The program's name, from the build (CMake's project name): in messages, the version, and as
// the consumer of the GPIO lines it holds.
inline constexpr std::string_view kProgramName = SAA_PROGRAM_NAME;

}  // namespace common
