#pragma once

#include <windows.h>

#include <string>

namespace bus {

// Loads the DLL `name` from the program's folder or Windows' system folder only, never from the
// working folder or the PATH, where anybody may have put a DLL of that name that would then run
// with the panel's rights. A full path loads that file. Returns null, with the thread's last
// error set, when there is none.
HMODULE load_from_program_or_system_folder(const std::string& name);

}  // namespace bus
