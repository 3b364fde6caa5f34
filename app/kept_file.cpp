#include "kept_file.hpp"

#include <QDateTime>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fatal_report.hpp"

namespace app {

KeptFile::KeptFile(std::string path, std::string what, std::string then,
                   std::function<std::string()> text, IfAbsent if_absent)
    : path_(std::move(path)),
      what_(std::move(what)),
      then_(std::move(then)),
      text_(std::move(text)),
      if_absent_(if_absent) {
  resting_.setSingleShot(true);
  resting_.setInterval(kRest);
  connect(&resting_, &QTimer::timeout, this, [this] { write_now(); });
}

std::optional<std::string> KeptFile::read() {
  // What is there already needs no writing.
  auto text = read_whole(path_);
  if (text) {
    written_ = *text;
  } else if (if_absent_ == IfAbsent::wait_for_a_change) {
    written_ = text_();
  }
  return text;
}

std::optional<std::string> read_whole(const std::string& path) {
  // A folder opens as a file would, and reads as an empty one.
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    errno = EISDIR;
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void KeptFile::set_aside(const std::string& why, const std::string& instead) {
  written_.reset();
  const std::string aside =
      path_ + ".bad-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString();
  std::error_code moved;
  std::filesystem::rename(path_, aside, moved);
  print_error(why +
              (moved ? "; it could not be set aside (" + moved.message() + ")"
                     : "; it is set aside as " + aside) +
              ". " + instead);
}

std::string KeptFile::way_out(const state::WriteFailure& failure) const {
  std::string folder = std::filesystem::path(path_).parent_path().string();
  if (folder.empty()) folder = ".";
  using Kind = state::WriteFailure::Kind;
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
  if (!resting_.isActive() && text_() != written_) resting_.start();
}

void KeptFile::write_now() {
  std::string text = text_();
  if (text == written_) return;
  if (const auto failure = state::write_whole(path_, text)) {
    if (!warned_) {
      print_error("Cannot keep " + what_ + " " + path_ + ": " + failure->reason + ". " +
                  way_out(*failure) + ". It goes on, and " + then_);
    }
    warned_ = true;
    return;
  }
  written_ = std::move(text);
  warned_ = false;
}

}  // namespace app
