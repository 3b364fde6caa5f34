// What the stand-in libraries share: a test's settings, read from the environment at each call
// (a test in the same process changes them between cases), and the log of the calls.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

namespace stand_in {

// The environment variable STAND_IN_`name`; "" when it is not set.
inline std::string setting(const std::string& name) {
  char value[4096] = "";
  const DWORD length = GetEnvironmentVariableA(("STAND_IN_" + name).c_str(), value, sizeof value);
  return length < sizeof value ? value : "";
}

// Appends `line` to the file the setting `log` names, when it names one.
inline void note(const std::string& log, const std::string& line) {
  std::ofstream(setting(log), std::ios::app | std::ios::binary) << line << '\n';
}

}  // namespace stand_in
