#pragma once

#include <functional>
#include <string>

namespace form {

// What the information line shows: a short text and the whole story as its tooltip. The
// window's line is narrow: where `brief` is given, it shows that instead of the text. `alert`:
// news to show plainly (the lock lost). `verdict`: the lock's, for a screen reader to tell once;
// empty while none is due (no lock line, or a word is waiting for its lock).
struct StatusLine {
  std::string text;
  std::string tooltip;
  std::string brief;
  bool alert = false;
  std::string verdict = {};
};

// Asked whenever the line may have changed.
using StatusSource = std::function<StatusLine()>;

}  // namespace form
