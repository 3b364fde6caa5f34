// The Windows ports against the stand-in libraries beside this program, case by case as the
// golden files give them: "case ARGUMENTS | WORDS | SETTING...", the command line that picks the
// port, the words sent ("WORD@IDEL", "rest@IDEL"; "-": the port bound only) and what the
// stand-ins are told (STAND_IN_SETTING). Then the port's label and its lock line's level, or the
// failure, and every call the stand-ins noted.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "port_for.hpp"
#include "support/golden.hpp"
#include "support/wire.hpp"

namespace {

std::vector<std::pair<std::int32_t, std::string>> words(const std::string& text) {
  std::vector<std::pair<std::int32_t, std::string>> sent;
  for (const auto& word : support::split(text, " ")) {
    const auto parts = support::split(word, "@");
    sent.emplace_back(std::stoi(parts[1]), parts[0]);
  }
  return sent;
}

std::vector<std::string> run(const std::string& file) {
  const auto log = std::filesystem::temp_directory_path() /
                   ("stand-ins-" + std::to_string(GetCurrentProcessId()) + ".log");
  SetEnvironmentVariableA("STAND_IN_INPOUT_LOG", log.string().c_str());
  SetEnvironmentVariableA("STAND_IN_FTD2XX_LOG", log.string().c_str());
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
      const auto port = port_for(columns[0]);
      if (columns[1] == "-") {
        port->bind();
      } else {
        support::send_words(*port, words(columns[1]));
      }
      lines.push_back("label " + port->label());
      if (const auto line = port->lock_line()) {
        lines.push_back(*line + (port->lock_level() ? " high" : " low"));
      }
    });
    if (failure != "no failure") lines.push_back("failure " + failure);
    for (const auto& setting : settings) SetEnvironmentVariableA(setting.c_str(), nullptr);
    std::ifstream noted(log);
    for (std::string line; std::getline(noted, line);) lines.push_back(line);
    noted.close();
    std::filesystem::remove(log);
  }
  return lines;
}

TEST(WindowsPorts, ThePortLibraryReceivesEveryWriteAndRead) {
  support::expect_golden(run("inpout_calls.txt"), "inpout_calls.txt");
}

TEST(WindowsPorts, FtdisDriverReceivesEveryCallAndEachFailureIsNamedWithTheWayOut) {
  support::expect_golden(run("d2xx_calls.txt"), "d2xx_calls.txt");
}

}  // namespace
