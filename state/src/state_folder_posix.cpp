#include <cstdlib>
#include <string>

#include "common/program_name.hpp"
#include "state/state_folder.hpp"

namespace state {

std::string state_folder() {
  const auto set = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value ? value : "";
  };
  std::string folder = set("STATE_DIRECTORY");
  folder = folder.substr(0, folder.find(':'));  // systemd lists several, if given several
  if (folder.empty() && !set("XDG_STATE_HOME").empty()) {
    folder = set("XDG_STATE_HOME") + "/" + std::string(common::kProgramName);
  }
  if (folder.empty()) folder = set("HOME") + "/.local/state/" + std::string(common::kProgramName);
  return folder;
}

}  // namespace state
