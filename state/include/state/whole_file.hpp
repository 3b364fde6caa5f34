#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <variant>

namespace state {

// Replaces `path` with `text` so that a crash or a power cut at any moment leaves the old file
// or the new one whole: a new file in the same folder, readable by this user alone, flushed to
// the disk, renamed over the old one, the folder flushed too. Makes the folder if it is missing.
// With IfThere::keep a file already at `path` is left as it is (another start made it). On
// failure returns the system's reason, and `path` is as it was.
struct WriteFailure {
  enum class Kind { no_room, not_allowed, other };  // what the user can do of it
  Kind kind;
  std::string reason;
};
enum class IfThere { replace, keep };
std::optional<WriteFailure> write_whole(const std::string& path, const std::string& text,
                                        IfThere if_there = IfThere::replace);

// No file the box reads is larger; a larger one is not read into memory.
inline constexpr std::size_t kMaxReadBytes = 1 << 20;

// What `path` holds, read whole, or why not: absent, a folder ("Is a directory"), larger than
// kMaxReadBytes, or the system's reason it cannot be read.
struct ReadFailure {
  enum class Kind { absent, folder, too_large, unreadable };
  Kind kind;
  std::string reason;
};
std::variant<std::string, ReadFailure> read_whole(const std::string& path);

}  // namespace state
