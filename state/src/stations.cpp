#include "state/stations.hpp"

#include <QList>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <filesystem>

#include "common/failure_message.hpp"
#include "words/typed_frequency.hpp"
#include "words/word_a.hpp"

namespace state {

namespace {

constexpr std::string_view kHeader = "name,mhz";
// As a spreadsheet set to a language with the decimal comma saves it.
constexpr std::string_view kSemicolonHeader = "name;mhz";
constexpr std::string_view kSpaces = " \t";

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// `text` as UTF-8, or none where it is not.
std::optional<QString> utf8_text(std::string_view text) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (utf8.hasError()) return std::nullopt;
  return decoded;
}

// Why `name` cannot be a station's, if it cannot.
std::optional<std::string> refusal(std::string_view name) {
  if (name.empty()) return "a station needs a name";
  const auto text = utf8_text(name);
  if (!text) return "a station's name must be UTF-8 text";
  const auto characters = text->toUcs4();
  if (characters.size() > static_cast<qsizetype>(kMaxNameCharacters)) {
    return common::quoted(name) + " is longer than " + std::to_string(kMaxNameCharacters) +
           " characters";
  }
  if (std::any_of(characters.begin(), characters.end(),
                  [](char32_t c) { return QChar::category(c) == QChar::Other_Control; })) {
    return "a station's name cannot hold control characters";
  }
  // A spreadsheet opening the CSV would run such a name as a formula.
  if (std::string_view("=+-@").find(name.front()) != std::string_view::npos) {
    return quoted(name) + " begins with " + name.front() +
           ", which a spreadsheet takes for a formula";
  }
  return std::nullopt;
}

// The station named `name` in `list`, const or not; none if none.
template <typename List>
auto* named(List& list, std::string_view name) {
  const auto found = std::find_if(list.begin(), list.end(),
                                  [name](const Station& station) { return station.name == name; });
  return found == list.end() ? nullptr : &*found;
}

// Quoted where it holds the separator or a quote, its quotes doubled.
std::string csv_field(std::string_view text) {
  if (text.find_first_of(",\"") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
  return field + "\"";
}

// The fields of one line, split at `separator`, or why it has none.
std::variant<std::vector<std::string>, std::string> csv_fields(std::string_view line,
                                                               char separator) {
  std::vector<std::string> fields(1);
  bool in_quotes = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (in_quotes && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"' && (in_quotes || trimmed(fields.back()).empty())) {
      in_quotes = !in_quotes;
    } else if (c == separator && !in_quotes) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (in_quotes) return std::string("a quote is not closed");
  return fields;
}

std::string mhz_text(std::int64_t hz) {
  // Not the C locale's separator: a spreadsheet reads the file the same everywhere.
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(hz) / 1e6,
                                 std::chars_format::general, 15)
                       .ptr;
  return {text, end};
}

}  // namespace

const Station* Stations::find(std::string_view name) const { return named(list_, name); }

std::optional<std::string> Stations::save(std::string_view name, std::int64_t hz) {
  name = trimmed(name);
  if (auto why = refusal(name)) return why;
  if (Station* kept = named(list_, name)) {
    kept->hz = hz;
    return std::nullopt;
  }
  if (list_.size() >= kMaxStations) {
    return std::to_string(kMaxStations) + " stations are kept already, as many as may be";
  }
  list_.push_back({std::string(name), hz});
  return std::nullopt;
}

std::optional<std::string> Stations::rename(std::string_view name, std::string_view to) {
  to = trimmed(to);
  Station* station = named(list_, name);
  if (!station) return no_station_named(name);
  if (auto why = refusal(to)) return why;
  if (to != name && find(to)) return quoted(to) + " is a station already";
  station->name = std::string(to);
  return std::nullopt;
}

std::optional<std::string> Stations::remove(std::string_view name) {
  if (std::erase_if(list_, [name](const Station& station) { return station.name == name; }) == 0) {
    return no_station_named(name);
  }
  return std::nullopt;
}

std::string no_station_named(std::string_view name) {
  return common::quoted(name) + " is not a station here";
}

std::string format_stations(const std::vector<Station>& list) {
  std::string csv = std::string(kHeader) + "\n";
  for (const auto& station : list) {
    csv += csv_field(station.name) + "," + mhz_text(station.hz) + "\n";
  }
  return csv;
}

std::variant<std::vector<Station>, std::string> parse_stations(std::string_view csv) {
  if (csv.starts_with("\xEF\xBB\xBF")) csv.remove_prefix(3);  // a spreadsheet's byte order mark
  Stations stations;
  bool header = true;
  char separator = ',';
  for (int number = 1; !csv.empty(); ++number) {
    const auto end = csv.find('\n');
    std::string_view line = csv.substr(0, end);
    csv.remove_prefix(end == std::string_view::npos ? csv.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::string at = "line " + std::to_string(number) + ": ";
    if (trimmed(line).empty()) continue;
    if (!utf8_text(line)) {
      return at + "not UTF-8 text: save the file as UTF-8 (a spreadsheet's \"CSV UTF-8\")";
    }
    if (std::exchange(header, false)) {
      if (trimmed(line) == kSemicolonHeader) separator = ';';
      if (trimmed(line) != kHeader && separator == ',') {
        return at + "the header must be \"" + std::string(kHeader) + "\"";
      }
      continue;
    }
    if (stations.list().size() >= kMaxStations) {
      return at + "more stations than the " + std::to_string(kMaxStations) +
             " a list keeps: give " + std::to_string(kMaxStations) + " or fewer";
    }
    const auto fields = csv_fields(line, separator);
    if (const auto* why = std::get_if<std::string>(&fields)) return at + *why;
    const auto& row = std::get<std::vector<std::string>>(fields);
    if (row.size() != 2) return at + "give a name and a frequency in MHz, such as Radio 4,93.5";
    const auto hz = words::typed_hz(row[1]);
    if (const auto* why = std::get_if<std::string>(&hz)) return at + *why;
    if (auto why = words::beyond_every_step(std::get<std::int64_t>(hz))) return at + *why;
    const std::string_view name = trimmed(row[0]);
    if (stations.find(name)) return at + quoted(name) + " is named twice";
    if (auto why = stations.save(name, std::get<std::int64_t>(hz))) return at + *why;
  }
  if (header) return "line 1: the header must be \"" + std::string(kHeader) + "\"";
  return stations.list();
}

std::string stations_path(const std::string& state_path) {
  return (std::filesystem::path(state_path).parent_path() / kStationsFileName).string();
}

}  // namespace state
