#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "bus/wiring.hpp"

namespace trace {

// Writes a value change dump (IEEE 1364) in the subset that GTKWave, PulseView and sigrok all
// read: one 1-bit wire per line, one time stamp or one change per line, an initial $dumpvars
// block, and a closing time stamp after the last change at every flush. Times are in ns.
class VcdWriter {
 public:
  // Creates the file; throws common::FatalError naming it and the system's reason. With
  // `lock_line`, a fourth wire, LOCK, unknown until it is first read.
  VcdWriter(std::string path, const std::string& program_version, bus::LineLevels initial,
            bool lock_line = false);
  VcdWriter(const VcdWriter&) = delete;
  VcdWriter& operator=(const VcdWriter&) = delete;

  // Records the levels at `stamp_ns`, which must exceed every earlier stamp; writes only the
  // lines that changed.
  void change(std::int64_t stamp_ns, bus::LineLevels levels);

  // Records a reading of the lock line at `stamp_ns`, when its level changed, and makes the
  // file complete up to it: a reading ends the watch's story up to then.
  void lock_read(std::int64_t stamp_ns, bool level);

  // Makes the file complete up to `stamp_ns` and pushes it to the disk. Throws on a write error.
  void flush(std::int64_t stamp_ns);

  // Flushes and closes; throws on a write error. Destruction closes quietly.
  void close(std::int64_t stamp_ns);

  const bus::LineLevels& levels() const { return levels_; }
  std::int64_t last_stamp() const { return last_stamp_; }

 private:
  void put(const char* text, std::size_t length);
  void put_stamp(std::int64_t stamp_ns);
  void write_pending();
  [[noreturn]] void fail(int error_number) const;

  std::string path_;
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  // Unbuffered: `pending_` is the buffer, written whole at a flush.
  std::unique_ptr<std::FILE, Closer> file_;
  std::string pending_;
  bus::LineLevels levels_;
  std::optional<bool> lock_;
  std::int64_t last_stamp_ = 0;
  bool changed_since_flush_ = false;
  bool broken_ = false;  // a write failed: the file is incomplete for good
};

}  // namespace trace
