#include "station_keeper.hpp"

#include <cerrno>
#include <cstring>

#include "fatal_report.hpp"
#include "state/panel_state.hpp"

namespace app {

StationKeeper::StationKeeper(const std::optional<std::string>& state_path)
    : file_(
          state::stations_path(state_path.value_or(state::default_state_path())), "the stations in",
          "the stations kept stay as they were",
          [this] { return state::format_stations(stations_.list()); },
          KeptFile::IfAbsent::wait_for_a_change) {}

bool StationKeeper::load(const std::optional<std::string>& import) {
  if (const auto kept = file_.read()) {
    const auto parsed = state::parse_stations(*kept);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
      file_.set_aside("The stations file " + file_.path() + " holds no stations: " + *why,
                      "Starting with none");
    } else {
      stations_.replace(std::get<std::vector<state::Station>>(parsed));
    }
  }
  if (!import) return true;
  std::variant<std::vector<state::Station>, std::string> parsed;
  if (const auto text = read_whole(*import)) {
    parsed = state::parse_stations(*text);
  } else {
    const int error = errno;
    parsed = std::string(std::strerror(error)) +
             (error == EISDIR ? ": give --stations a CSV file, a header and a station a line" : "");
  }
  if (const auto* why = std::get_if<std::string>(&parsed)) {
    print_error("Cannot take the stations from " + *import + ": " + *why +
                ". The stations kept are as they were");
    return false;
  }
  stations_.replace(std::get<std::vector<state::Station>>(parsed));
  file_.write_now();
  const std::size_t count = stations_.list().size();
  print_error(std::to_string(count) + (count == 1 ? " station" : " stations") + " taken from " +
              *import);
  return true;
}

}  // namespace app
