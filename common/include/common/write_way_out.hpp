#pragma once

#include <string>
#include <string_view>

namespace common {

// Whether a write failed for want of room: a full disk, or a file grown past its limit.
bool out_of_room(int error);

// What to do when the standard output that `option` writes to fails with `error`: free space
// where it is a file on a full disk, open it where it is closed, else give one that is read.
std::string standard_output_way_out(int error, std::string_view option);

}  // namespace common
