#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "state/whole_file.hpp"

namespace state {

// A file the box keeps in step with what it holds, written whole, and only once the box has
// changed what it holds. A change is written kRest after it and no sooner than kRest after the
// last write, however often clients change things (a Doppler client tunes ten times a second,
// and a Raspberry Pi's SD card wears). Those writes run off the caller's thread: a flush takes
// tens of milliseconds on an SD card, and no client's answer waits for it. A write that fails is
// said once until one succeeds; the box goes on. A file that is there but cannot be read is never
// written over.
class KeptFile : public QObject {
 public:
  static constexpr std::chrono::milliseconds kRest{2000};

  // Whether a file that read() found absent is written at the end though nothing changed: the
  // state is, so that a box once stopped comes back where it was; stations wait for one.
  enum class IfAbsent { write, wait_for_a_change };

  // `what`: "the tuning in the state file", as the warning names it, and `then`: what the user
  // may count on after it. `text`: what the file should hold now.
  KeptFile(std::string path, std::string what, std::string then, std::function<std::string()> text,
           IfAbsent if_absent);

  const std::string& path() const { return path_; }

  // What the file holds; none if it is absent, or cannot be read (said: it is then left as it
  // is). Throws common::FatalError where the path is no file (a folder, a FIFO, a device):
  // nothing could be kept there. Until the box changes, the file is not written.
  std::optional<std::string> read();
  // The file holds nothing the box can use: renamed aside with the time in its name, and said
  // with `why` and what the box does `instead`.
  void set_aside(const std::string& why, const std::string& instead);

  // Something changed: it is written once it has rested.
  void changed();
  // At once and in full, once a write on its way has ended, if what the file should hold differs
  // from what was written; why not, if it failed (said only by the caller).
  std::optional<std::string> write();
  // What changed and was not written yet, written (at the end); a failure is said.
  void write_pending();

 private:
  struct Written {
    std::string text;
    std::optional<WriteFailure> failure;
  };

  // The text taken now, written on a thread of its own; its outcome said when it ends.
  void write_behind();
  void written_behind();
  // Why the file is not written, if it was left as it is at the start.
  std::optional<std::string> refusal() const;
  // The outcome of a write: why it failed, or the text the file now holds noted.
  std::optional<std::string> outcome(Written done);
  // A failure said once until a write succeeds.
  void say(const std::optional<std::string>& failure);
  // What the user can do of a failed write: the folder named.
  std::string way_out(const WriteFailure& failure) const;

  std::string path_;
  std::string what_;
  std::string then_;
  std::function<std::string()> text_;
  IfAbsent if_absent_;
  std::optional<std::string> written_;
  bool pending_ = false;
  std::optional<std::string> unreadable_;  // why, for a file left as it is
  QTimer resting_;
  bool warned_ = false;
  std::future<Written> writing_;  // last: waited for before the rest is destroyed
};

}  // namespace state
