#pragma once

#include <functional>

#include "state/stations.hpp"

namespace web {

// The owner's stations, which every page shows and may change; on the panel's thread.
struct StationsOffer {
  state::Stations* list = nullptr;  // none: the pages offer no stations
  std::function<void()> changed;    // after each change a page made
};

}  // namespace web
