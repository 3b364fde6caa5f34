#pragma once

#include <string>

namespace state {

// The folder of the program's state on this platform: the service's STATE_DIRECTORY,
// $XDG_STATE_HOME/saa1057-panel or ~/.local/state/saa1057-panel; on Windows, this user's
// %LOCALAPPDATA%\saa1057-panel.
std::string state_folder();

}  // namespace state
