#include "trace/vcd_writer.hpp"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>

#include "common/failure_message.hpp"

namespace trace {

namespace {

// Identifier characters of the three wires, in the order of LineLevels.
constexpr char kClockId = '!';
constexpr char kDataId = '"';
constexpr char kEnableId = '#';
constexpr char kLockId = '$';

std::string today() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  return text;
}

}  // namespace

VcdWriter::VcdWriter(std::string path, const std::string& program_version, bus::LineLevels initial,
                     bool lock_line)
    : path_(std::move(path)), levels_(initial) {
  file_.reset(std::fopen(path_.c_str(), "w"));
  if (!file_) {
    throw common::failure("Cannot create the trace file " + path_, std::strerror(errno),
                          "Give --trace a path you can write to");
  }
  std::setvbuf(file_.get(), nullptr, _IONBF, 0);
  pending_.reserve(4096);
  const auto bit = [](bool level) { return level ? '1' : '0'; };
  const std::string lock_wire = lock_line ? std::string("$var wire 1 $ LOCK $end\n") : "";
  const std::string lock_value = lock_line ? std::string("x") + kLockId + "\n" : "";
  const std::string header = "$date " + today() + " $end\n$version " + program_version +
                             " $end\n$timescale 1ns $end\n$scope module saa1057 $end\n"
                             "$var wire 1 ! CLB $end\n$var wire 1 \" DATA $end\n"
                             "$var wire 1 # DLEN $end\n" +
                             lock_wire + "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n" +
                             bit(initial.clock) + kClockId + "\n" + bit(initial.data) + kDataId +
                             "\n" + bit(initial.enable) + kEnableId + "\n" + lock_value + "$end\n";
  put(header.data(), header.size());
  write_pending();
}

void VcdWriter::put(const char* text, std::size_t length) { pending_.append(text, length); }

void VcdWriter::put_stamp(std::int64_t stamp_ns) {
  char line[24] = "#";
  const auto end = std::to_chars(line + 1, line + sizeof line - 1, stamp_ns).ptr;
  *end = '\n';
  put(line, static_cast<std::size_t>(end + 1 - line));
  last_stamp_ = stamp_ns;
}

void VcdWriter::change(std::int64_t stamp_ns, bus::LineLevels levels) {
  if (levels == levels_) return;
  put_stamp(stamp_ns);
  const auto put_change = [this](bool level, char id) {
    const char line[3] = {level ? '1' : '0', id, '\n'};
    put(line, sizeof line);
  };
  if (levels.clock != levels_.clock) put_change(levels.clock, kClockId);
  if (levels.data != levels_.data) put_change(levels.data, kDataId);
  if (levels.enable != levels_.enable) put_change(levels.enable, kEnableId);
  levels_ = levels;
  changed_since_flush_ = true;
}

void VcdWriter::lock_read(std::int64_t stamp_ns, bool level) {
  if (lock_ == level) return;
  lock_ = level;
  put_stamp(stamp_ns);
  const char line[3] = {level ? '1' : '0', kLockId, '\n'};
  put(line, sizeof line);
  changed_since_flush_ = true;
  flush(stamp_ns + 1);
}

void VcdWriter::flush(std::int64_t stamp_ns) {
  // The closing stamp tells readers how long the last levels lasted.
  if (changed_since_flush_) put_stamp(stamp_ns);
  changed_since_flush_ = false;
  write_pending();
}

void VcdWriter::write_pending() {
  const bool written =
      broken_ || std::fwrite(pending_.data(), 1, pending_.size(), file_.get()) == pending_.size();
  pending_.clear();
  if (written) return;
  // Reported once; what comes after is dropped rather than reported again at exit.
  broken_ = true;
  fail(errno);
}

void VcdWriter::close(std::int64_t stamp_ns) {
  // The recording lasts until it ends: a reader then sees how long the lock line held its level.
  changed_since_flush_ = changed_since_flush_ || stamp_ns > last_stamp_;
  flush(stamp_ns);
  std::FILE* file = file_.release();
  if (std::fclose(file) != 0) fail(errno);
}

void VcdWriter::fail(int error_number) const {
  throw common::failure("Cannot write the trace file " + path_, std::strerror(error_number),
                        "Give --trace a path with room to write");
}

}  // namespace trace
