// Where the panel looks for the DLLs it loads at run time: the port-I/O library and FTDI's D2XX
// driver. This program's folder holds neither, the Wine prefix's system folder neither; each
// case of dll_loading.txt puts a stand-in in one place, and the port's first word loads it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "port_for.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

// Whether `text` is `pattern`, each "*" in it standing for any text.
bool matches(const char* text, const char* pattern) {
  if (*pattern == '*') return matches(text, pattern + 1) || (*text && matches(text + 1, pattern));
  return *text == *pattern && (!*text || matches(text + 1, pattern + 1));
}

TEST(DllLoading, EachLibraryIsLoadedFromBesideTheProgramButNeverFromTheWorkingFolderOrThePath) {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, sizeof program);
  const auto folder = std::filesystem::path(program).parent_path();
  for (const auto& row : support::golden("dll_loading.txt")) {
    const auto columns = support::fields(row);
    const auto stand_in = std::filesystem::path(STAND_INS) / columns[0];
    const std::string name = columns[2].starts_with("--port ftdi") ? "ftd2xx.dll" : "inpoutx64.dll";
    const std::string place = columns[1] == "beside" ? "" : stand_in.parent_path().string();
    SetCurrentDirectoryA((columns[1] == "working folder" ? place : folder.string()).c_str());
    SetEnvironmentVariableA("PATH", columns[1] == "PATH" ? place.c_str() : "");
    if (columns[1] == "beside") std::filesystem::copy_file(stand_in, folder / name);
    // The stand-in is there: Windows' plain search finds it.
    const HMODULE found = LoadLibraryA(name.c_str());
    EXPECT_NE(found, nullptr) << row;
    if (found) FreeLibrary(found);
    const auto failure =
        support::failure_of([&columns] { support::send_short_word(*port_for(columns[2])); });
    EXPECT_TRUE(matches(failure.c_str(), columns[3].c_str())) << row << "\n" << failure;
    std::filesystem::remove(folder / name);
  }
}

}  // namespace
