#include "station_keeper.hpp"

#include "fatal_report.hpp"
#include "state/panel_state.hpp"

namespace app {

StationKeeper::StationKeeper(const std::optional<std::string>& state_path)
    : file_(
          state::stations_path(state_path.value_or(state::default_state_path())), "the stations in",
          "the stations kept stay as they were",
          [this] { return state::format_stations(stations_.list()); },
          state::KeptFile::IfAbsent::wait_for_a_change) {}

bool StationKeeper::load(const std::optional<std::string>& import) {
  std::optional<std::string> kept;
  try {
    kept = file_.read();
  } catch (const common::FatalError& error) {
    print_error(error.what());
    return false;
  }
  if (kept) {
    const auto parsed = state::parse_stations(*kept);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
      file_.set_aside("The stations file " + file_.path() + " holds no stations: " + *why,
                      "Starting with none");
    } else {
      stations_.replace(std::get<std::vector<state::Station>>(parsed));
    }
  }
  if (!import) return true;
  const auto read = state::read_whole(*import);
  std::variant<std::vector<state::Station>, std::string> parsed;
  if (const auto* text = std::get_if<std::string>(&read)) {
    parsed = state::parse_stations(*text);
  } else {
    const auto& failure = std::get<state::ReadFailure>(read);
    parsed = failure.reason + (failure.kind == state::ReadFailure::Kind::folder
                                   ? ": give --stations a CSV file, a header and a station a line"
                                   : "");
  }
  if (const auto* why = std::get_if<std::string>(&parsed)) {
    print_error("Cannot take the stations from " + *import + ": " + *why +
                ". The stations kept are as they were");
    return false;
  }
  stations_.replace(std::get<std::vector<state::Station>>(parsed));
  if (const auto failure = file_.write()) {
    print_error(*failure + " The stations from " + *import + " are not kept");
    return false;
  }
  const std::size_t count = stations_.list().size();
  print_error(std::to_string(count) + (count == 1 ? " station" : " stations") + " taken from " +
              *import);
  return true;
}

}  // namespace app
