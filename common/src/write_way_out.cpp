#include "common/write_way_out.hpp"

#include <cerrno>

namespace common {

bool out_of_room(int error) { return error == ENOSPC || error == EFBIG; }

std::string standard_output_way_out(int error, std::string_view option) {
  const std::string given(option);
  if (out_of_room(error)) {
    return "Standard output is a file on a full disk: free space there, or give " + given +
           " another file";
  }
  if (error == EBADF) {
    return "Standard output is closed: give " + given +
           " one that is open: a file (> FILE) or a program that reads it";
  }
  return "Give " + given + " a standard output that is open and read";
}

}  // namespace common
