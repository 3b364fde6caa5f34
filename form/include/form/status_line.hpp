#pragma once

#include <functional>
#include <string>

namespace form {

// What the information line shows: a short text and the whole story as its tooltip.
struct StatusLine {
  std::string text;
  std::string tooltip;
};

// Asked whenever the line may have changed.
using StatusSource = std::function<StatusLine()>;

}  // namespace form
