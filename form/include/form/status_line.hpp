#pragma once

#include <functional>
#include <string>

namespace form {

// What the information line shows: a short text and the whole story as its tooltip. The
// window's line is narrow: where `brief` is given, it shows that instead of the text. `alert`:
// news to show plainly (the lock lost).
struct StatusLine {
  std::string text;
  std::string tooltip;
  std::string brief;
  bool alert = false;
};

// Asked whenever the line may have changed.
using StatusSource = std::function<StatusLine()>;

}  // namespace form
