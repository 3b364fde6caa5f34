// The Windows ports against stand-ins for the port-I/O library and FTDI's D2XX driver. This
// program's folder holds none: each test plants them beside it, as the golden files give them.
// inpout_calls.txt and d2xx_calls.txt: "case ARGUMENTS | WORDS | SETTING...", the command line
// that picks the port, the words sent ("WORD@IDEL", "rest@IDEL"; "-": the port bound only) and
// what the stand-ins are told (STAND_IN_SETTING). Then the port's label and its lock line's
// level, or the failure, and every call the stand-ins noted.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "port_choice/port_choice.hpp"
#include "support/command_line.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

namespace fs = std::filesystem;

fs::path program_folder() {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, sizeof program);
  return fs::path(program).parent_path();
}

std::vector<std::string> run(const std::string& file) {
  const auto log =
      fs::temp_directory_path() / ("stand-ins-" + std::to_string(GetCurrentProcessId()) + ".log");
  SetEnvironmentVariableA("STAND_IN_INPOUT_LOG", log.string().c_str());
  SetEnvironmentVariableA("STAND_IN_FTD2XX_LOG", log.string().c_str());
  for (const auto* name : {"inpoutx64.dll", "ftd2xx.dll"}) {
    fs::copy_file(fs::path(STAND_INS) / name, program_folder() / name,
                  fs::copy_options::overwrite_existing);
  }
  std::vector<std::string> lines;
  for (const auto& row : support::golden(file)) {
    if (!row.starts_with("case ")) continue;
    lines.push_back(row);
    const auto columns = support::fields(row.substr(5));
    std::vector<std::string> settings;
    for (auto setting = columns.begin() + 2; setting < columns.end(); ++setting) {
      const auto equals = setting->find('=');
      settings.push_back("STAND_IN_" + setting->substr(0, equals));
      SetEnvironmentVariableA(settings.back().c_str(), setting->substr(equals + 1).c_str());
    }
    const auto failure = support::failure_of([&] {
      const auto port = port_choice::platform_port(support::command_line(columns[0]));
      columns[1] == "-" ? port->bind() : support::send_words(*port, columns[1]);
      lines.push_back("label " + port->label());
      if (const auto line = port->lock_line())
        lines.push_back(*line + (port->lock_level() ? " high" : " low"));
    });
    if (failure != "no failure") lines.push_back("failure " + failure);
    for (const auto& setting : settings) SetEnvironmentVariableA(setting.c_str(), nullptr);
    std::ifstream noted(log);
    for (std::string line; std::getline(noted, line);) lines.push_back(line);
    noted.close();
    fs::remove(log);
  }
  for (const auto* name : {"inpoutx64.dll", "ftd2xx.dll"}) fs::remove(program_folder() / name);
  return lines;
}

TEST(WindowsPorts, TheLibraryReceivesEveryCallAndEachFailureIsNamedWithTheWayOut) {
  for (const char* file : {"inpout_calls.txt", "d2xx_calls.txt"})
    support::expect_golden(run(file), file);
}

// Whether `text` is `pattern`, each "*" in it standing for any text.
bool matches(const char* text, const char* pattern) {
  if (*pattern == '*') return matches(text, pattern + 1) || (*text && matches(text + 1, pattern));
  return *text == *pattern && (!*text || matches(text + 1, pattern + 1));
}

// dll_loading.txt puts a stand-in in one place, and the port's first word loads it: the Wine
// prefix's system folder holds none either.
TEST(DllLoading, EachLibraryIsLoadedFromBesideTheProgramButNeverFromTheWorkingFolderOrThePath) {
  const auto folder = program_folder();
  for (const auto& row : support::golden("dll_loading.txt")) {
    const auto columns = support::fields(row);
    const auto stand_in = fs::path(STAND_INS) / columns[0];
    const std::string name = columns[2].starts_with("--port ftdi") ? "ftd2xx.dll" : "inpoutx64.dll";
    const std::string place = columns[1] == "beside" ? "" : stand_in.parent_path().string();
    SetCurrentDirectoryA((columns[1] == "working folder" ? place : folder.string()).c_str());
    SetEnvironmentVariableA("PATH", columns[1] == "PATH" ? place.c_str() : "");
    if (columns[1] == "beside")
      fs::copy_file(stand_in, folder / name, fs::copy_options::overwrite_existing);
    // The stand-in is there: Windows' plain search finds it.
    const HMODULE found = LoadLibraryA(name.c_str());
    EXPECT_NE(found, nullptr) << row;
    if (found) FreeLibrary(found);
    const auto failure = support::failure_of([&columns] {
      support::send_words(*port_choice::platform_port(support::command_line(columns[2])), "10@100");
    });
    EXPECT_TRUE(matches(failure.c_str(), columns[3].c_str())) << row << "\n" << failure;
    fs::remove(folder / name);
  }
}

}  // namespace
