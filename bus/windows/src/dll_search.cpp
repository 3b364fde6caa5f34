#include "dll_search.hpp"

namespace bus {

HMODULE load_from_program_or_system_folder(const std::string& name) {
  return LoadLibraryExA(name.c_str(), nullptr,
                        LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace bus
