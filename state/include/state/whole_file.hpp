#pragma once

#include <optional>
#include <string>

namespace state {

// Replaces `path` with `text` so that a crash or a power cut at any moment leaves the old file
// or the new one whole: a new file in the same folder, flushed to the disk, renamed over the
// old one, the folder flushed too. Makes the folder if it is missing. On failure returns the
// system's reason, and `path` is as it was.
struct WriteFailure {
  enum class Kind { no_room, not_allowed, other };  // what the user can do of it
  Kind kind;
  std::string reason;
};
std::optional<WriteFailure> write_whole(const std::string& path, const std::string& text);

}  // namespace state
