#include "support/golden.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "common/fatal_error.hpp"

namespace support {

std::vector<std::string> golden(const std::string& file) {
  std::ifstream in(SAA_TEST_DATA + file);
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && !line.starts_with("# ")) rows.push_back(line);
  // A table that is gone or emptied would pass every check it feeds.
  EXPECT_FALSE(rows.empty()) << "golden file " << file << " is missing or has no rows";
  return rows;
}

void expect_rows(const std::string& file,
                 const std::function<std::string(const std::string&)>& outcome) {
  for (const auto& row : golden(file)) {
    const auto bar = row.find(" | ");
    EXPECT_EQ(outcome(row.substr(0, bar)), row.substr(bar + 3)) << file << ": " << row;
  }
}

void expect_golden(const std::vector<std::string>& lines, const std::string& file) {
  const auto rows = golden(file);
  for (std::size_t i = 0; i < std::max(lines.size(), rows.size()); ++i) {
    EXPECT_EQ(i < lines.size() ? lines[i] : "(nothing)", i < rows.size() ? rows[i] : "(nothing)")
        << file << ", row " << i + 1;
  }
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0; !text.empty(); start += separator.size()) {
    const auto end = text.find(separator, start);
    pieces.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end;
  }
  return pieces;
}

std::string bytes(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') {
      const auto end = text.find('>', i);
      bytes.append(std::stoul(text.substr(i + 1)), text[end - 1]);
      i = end;
    } else if (text[i] == '\\') {
      const char escaped = text[++i];
      bytes += escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

std::vector<std::string> TraceFile::lines() const {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    if (!line.starts_with("$date ")) lines.push_back(line);
  return lines;
}

std::string failure_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const common::FatalError& error) {
    return error.what();
  }
  return "no failure";
}

}  // namespace support
