#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace state {

// Kept by received frequency: which divider receives it depends on the reference Word B chose.
struct Station {
  std::string name;
  std::int64_t hz = 0;
  friend bool operator==(const Station&, const Station&) = default;
};

// The owner's stations: what a page may keep, whoever sends it.
inline constexpr std::size_t kMaxStations = 100;
inline constexpr std::size_t kMaxNameCharacters = 32;
// Kept beside the state file, as CSV that a spreadsheet can edit.
inline constexpr std::string_view kStationsFileName = "stations.csv";

// The stations, in the order they were saved. Each change returns why it was refused, if it was,
// in words for the page ("\"Radio 4\" is not a station here").
class Stations {
 public:
  const std::vector<Station>& list() const { return list_; }
  const Station* find(std::string_view name) const;

  // `hz` under `name`; saving under a name already there moves that station.
  std::optional<std::string> save(std::string_view name, std::int64_t hz);
  std::optional<std::string> rename(std::string_view name, std::string_view to);
  std::optional<std::string> remove(std::string_view name);
  void replace(std::vector<Station> list) { list_ = std::move(list); }

 private:
  std::vector<Station> list_;
};

// "\"Radio 4\" is not a station here".
std::string no_station_named(std::string_view name);

// "name,mhz", then a line a station: "Radio 4,93.5".
std::string format_stations(const std::vector<Station>& list);

// The stations that `csv` holds, after checking every row; or the first bad row's line number
// and why: "line 4: 200 MHz is outside the tuning range of every reference, 63 to 152.675 MHz".
std::variant<std::vector<Station>, std::string> parse_stations(std::string_view csv);

// The stations file beside the state file `state_path`.
std::string stations_path(const std::string& state_path);

}  // namespace state
