#pragma once

#include <optional>
#include <string>

#include "state/kept_file.hpp"
#include "state/stations.hpp"
#include "web/stations_offer.hpp"

namespace app {

// The owner's stations, kept beside the state file as KeptFile writes, and at the end.
class StationKeeper {
 public:
  // `state_path`: the state file, beside which the stations live; none, the state folder's.
  explicit StationKeeper(const std::optional<std::string>& state_path);
  ~StationKeeper() { file_.write_pending(); }
  StationKeeper(const StationKeeper&) = delete;
  StationKeeper& operator=(const StationKeeper&) = delete;

  // Reads the stations kept, setting aside a file that holds none; then, where `import` names a
  // file, replaces them with its rows once every row is good, and keeps them. False after saying
  // why not.
  bool load(const std::optional<std::string>& import);

  // For the pages, which change them.
  web::StationsOffer offer() {
    return {&stations_, [this] { file_.changed(); }};
  }

 private:
  state::Stations stations_;
  state::KeptFile file_;
};

}  // namespace app
