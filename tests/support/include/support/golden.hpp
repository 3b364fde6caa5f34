#pragma once

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace support {

// The rows of the golden file tests/data/`file`: its lines but blank ones and "# " comments;
// none fails the test.
std::vector<std::string> golden(const std::string& file);

// Expects `outcome` to give each row of the golden file, but its first field, from that field.
void expect_rows(const std::string& file,
                 const std::function<std::string(const std::string&)>& outcome);

// A test whose cases are the rows of the golden file `file`, as expect_rows checks them: the body
// that follows gives the outcome of a row from its first field, `given`.
#define SAA_ROWS_TEST(suite, name, file, given)                               \
  std::string suite##_##name##_outcome(const std::string& given);             \
  TEST(suite, name) { support::expect_rows(file, suite##_##name##_outcome); } \
  std::string suite##_##name##_outcome(const std::string& given)

// Expects `lines` to be the rows of the golden file, and names every row that differs.
void expect_golden(const std::vector<std::string>& lines, const std::string& file);

// The pieces of `text` between the separators; none for an empty text.
std::vector<std::string> split(const std::string& text, const std::string& separator);

// The fields of a golden row, separated by " | ".
inline std::vector<std::string> fields(const std::string& row) { return split(row, " | "); }

// A golden field as bytes: \n and \r are a line's end, \\ a backslash, <N c> is N bytes c.
std::string bytes(const std::string& text);

// A trace file of the test's own, gone after.
struct TraceFile {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("trace-" + std::to_string(::getpid()) + ".vcd");
  ~TraceFile() { std::filesystem::remove(path); }
  std::vector<std::string> lines() const;  // as written, but the $date line
};

// The message of the common::FatalError that `call` throws; "no failure" when it throws none.
std::string failure_of(const std::function<void()>& call);

}  // namespace support
