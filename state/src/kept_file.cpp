#include "state/kept_file.hpp"

#include <QDateTime>
#include <QMetaObject>
#include <filesystem>
#include <system_error>

#include "common/failure_message.hpp"

namespace state {

namespace {

// What stands at `path` where a file should, if anything but a file (or nothing) does.
std::optional<std::string> no_file(const std::string& path) {
  using Type = std::filesystem::file_type;
  std::error_code ignored;
  switch (std::filesystem::status(path, ignored).type()) {
    case Type::directory:
      return "a folder";
    case Type::fifo:
      return "a FIFO";
    case Type::block:
    case Type::character:
      return "a device";
    case Type::socket:
      return "a socket";
    case Type::unknown:
      return "not a file";
    default:
      return std::nullopt;
  }
}

}  // namespace

KeptFile::KeptFile(std::string path, std::string what, std::string then,
                   std::function<std::string()> text, IfAbsent if_absent)
    : path_(std::move(path)),
      what_(std::move(what)),
      then_(std::move(then)),
      text_(std::move(text)),
      if_absent_(if_absent) {
  resting_.setSingleShot(true);
  resting_.setInterval(kRest);
  connect(&resting_, &QTimer::timeout, this, [this] { write_behind(); });
}

std::optional<std::string> KeptFile::read() {
  if (const auto thing = no_file(path_)) {
    throw common::failure("Cannot keep " + what_ + " " + path_, "it is " + *thing + ", not a file",
                          *thing == "a folder"
                              ? "Give --state a file in that folder, such as " +
                                    (std::filesystem::path(path_) / "state").string()
                              : "Move it away, or give --state another file");
  }
  auto read = read_whole(path_);
  if (auto* text = std::get_if<std::string>(&read)) {
    written_ = *text;
    return std::move(*text);
  }
  const auto& failure = std::get<ReadFailure>(read);
  switch (failure.kind) {
    case ReadFailure::Kind::absent:
      if (if_absent_ == IfAbsent::write) {
        write_behind();
      } else {
        written_ = text_();
      }
      return std::nullopt;
    case ReadFailure::Kind::too_large:
      set_aside("The file " + path_ + " holds nothing of this program's: " + failure.reason,
                "Starting without it");
      return std::nullopt;
    case ReadFailure::Kind::folder:
    case ReadFailure::Kind::unreadable:
      break;
  }
  unreadable_ = "it could not be read (" + failure.reason + ")";
  common::print_error(common::failure_message(
      "Cannot read " + what_ + " " + path_, failure.reason,
      "It is left as it is, and nothing is kept in it until a restart: let this user read and "
      "write it, or give --state another file"));
  return std::nullopt;
}

void KeptFile::set_aside(const std::string& why, const std::string& instead) {
  written_.reset();
  pending_ = true;
  const std::string aside =
      path_ + ".bad-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString();
  std::error_code moved;
  std::filesystem::rename(path_, aside, moved);
  common::print_error(why +
                      (moved ? "; it could not be set aside (" + moved.message() + ")"
                             : "; it is set aside as " + aside) +
                      ". " + instead);
}

std::string KeptFile::way_out(const WriteFailure& failure) const {
  std::string folder = std::filesystem::path(path_).parent_path().string();
  if (folder.empty()) folder = ".";
  using Kind = WriteFailure::Kind;
  switch (failure.kind) {
    case Kind::no_room:
      return "Free space on the disk that holds " + folder + ", or give --state a file on another";
    case Kind::not_allowed:
      return "Let this user write to " + folder + ", or give --state a file in a folder it may";
    case Kind::other:
      break;
  }
  return "Give --state a file in a folder this user may write to (" + folder + " will not do)";
}

void KeptFile::changed() {
  // While it rests, a burst of changes need not build the text each time.
  if (resting_.isActive() || text_() == written_) return;
  pending_ = true;
  resting_.start();
}

std::optional<std::string> KeptFile::refusal() const {
  if (!unreadable_) return std::nullopt;
  return "Cannot keep " + what_ + " " + path_ + ": " + *unreadable_ +
         " at the start, so it is left as it is.";
}

std::optional<std::string> KeptFile::outcome(Written done) {
  if (done.failure) {
    return common::failure_message("Cannot keep " + what_ + " " + path_, done.failure->reason,
                                   way_out(*done.failure));
  }
  written_ = std::move(done.text);
  return std::nullopt;
}

std::optional<std::string> KeptFile::write() {
  // One writer at a time: this one comes after the one on its way, and says what it could not.
  if (writing_.valid()) outcome(writing_.get());
  std::string text = text_();
  if (text == written_) {
    pending_ = false;
    return std::nullopt;
  }
  if (auto refused = refusal()) return refused;
  auto failure = write_whole(path_, text);
  if (!failure) pending_ = false;
  return outcome({std::move(text), std::move(failure)});
}

void KeptFile::write_behind() {
  pending_ = true;
  if (writing_.valid()) return resting_.start();  // after the one on its way
  std::string text = text_();
  if (text == written_) {
    pending_ = false;
    return;
  }
  if (auto refused = refusal()) return say(refused);
  try {
    writing_ = std::async(std::launch::async, [this, path = path_, text] {
      Written done{text, write_whole(path, text)};
      QMetaObject::invokeMethod(
          this, [this] { written_behind(); }, Qt::QueuedConnection);
      return done;
    });
  } catch (const std::system_error&) {
    say(write());  // no thread to be had: kept on this one is better than lost
  }
}

void KeptFile::written_behind() {
  if (!writing_.valid()) return;  // write() took it
  const auto failure = outcome(writing_.get());
  // A change since rests on the timer; a failure is tried again at the end.
  if (!failure) pending_ = resting_.isActive();
  say(failure);
}

void KeptFile::say(const std::optional<std::string>& failure) {
  if (failure && !warned_) common::print_error(*failure + " It goes on, and " + then_);
  warned_ = failure.has_value();
}

void KeptFile::write_pending() {
  if (pending_) say(write());
}

}  // namespace state
