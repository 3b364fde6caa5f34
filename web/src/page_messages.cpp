#include "page_messages.hpp"

#include <QJsonArray>
#include <array>
#include <span>
#include <string_view>

#include "form/scroll_range.hpp"
#include "words/typed_frequency.hpp"
#include "words/word_a.hpp"
#include "words/word_b.hpp"

namespace web {

namespace {

using form::Control;

struct ListName {
  const char* name;
  Control control;
  std::span<const words::ListRow> rows;
  int words::WordBChoice::*row;  // the setting the list chooses
};
constexpr std::array<ListName, 3> kLists{
    {{"current", Control::lstCurrent, words::kCurrentRows, &words::WordBChoice::current},
     {"phase", Control::lstPhase, words::kPhaseRows, &words::WordBChoice::phase},
     {"test", Control::lstTest, words::kTestRows, &words::WordBChoice::test}}};

struct ToggleName {
  const char* name;
  Control caption;
  form::Event click;
};
constexpr std::array<ToggleName, 3> kToggles{
    {{"refh", Control::lblREFH, form::Event::cmdREFH_Click},
     {"sla", Control::lblSLA, form::Event::cmdSLA_Click},
     {"brm", Control::lblBRM, form::Event::cmdBRM_Click}}};

QString qtext(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QJsonObject slider(Control control) {
  const auto& range = form::scroll_range(control);
  return {{"min", range.minimum},
          {"max", range.maximum},
          {"step", range.small_change},
          {"page", range.large_change}};
}

std::string mhz_text(std::int32_t divider, words::Step step) {
  return words::frequency_text(words::received_mhz(divider, step));
}

// A change of the divider slider in MHz at `step`: 10 dividers are "0.1" at 10 kHz.
std::string change_mhz(int dividers, words::Step step) {
  return words::hz_frequency_text(std::int64_t{dividers} * step.hz);
}

// "63-120/0.1" at 10 kHz: the slider's whole range at its small step, as a sweep's range is
// typed.
std::string whole_band_sweep(words::Step step) {
  const auto& range = form::scroll_range(Control::hscDiv);
  return mhz_text(range.minimum, step) + "-" + mhz_text(range.maximum, step) + "/" +
         change_mhz(range.small_change, step);
}

// What the divider slider's small and large changes are in MHz: {"step": "0.1", "page": "1"}.
QJsonObject steps_mhz(words::Step step) {
  const auto& range = form::scroll_range(Control::hscDiv);
  return {{"step", qtext(change_mhz(range.small_change, step))},
          {"page", qtext(change_mhz(range.large_change, step))}};
}

// A number the page sends that is not a whole one (or not a number) counts as none.
std::optional<int> whole(const QJsonValue& value) {
  if (!value.isDouble() || value.toDouble() != value.toInt()) return std::nullopt;
  return value.toInt();
}

// "tune station", "save station" (the frequency tuned), "rename station", "delete station".
Outcome on_stations(form::Panel& panel, state::Stations& stations, const QJsonObject& request) {
  const QString action = request["do"].toString();
  const std::string name = request["name"].toString().toStdString();
  std::optional<std::string> refusal;
  if (action == "tune station") {
    const state::Station* station = stations.find(name);
    if (!station) return {state::no_station_named(name)};
    const auto divider = words::divider_on_grid(station->hz, panel.step());
    if (const auto* why = std::get_if<words::Refusal>(&divider)) return {why->reason};
    panel.tune(std::get<std::int32_t>(divider));
    return {};
  }
  if (action == "save station") {
    refusal = stations.save(name, words::received_hz(panel.divider(), panel.step()));
  } else if (action == "rename station") {
    refusal = stations.rename(name, request["to"].toString().toStdString());
  } else if (action == "delete station") {
    refusal = stations.remove(name);
  } else {
    return {};
  }
  return {refusal, !refusal};
}

}  // namespace

QJsonObject setup_message(bool sweep) {
  QJsonObject lists;
  for (const auto& list : kLists) {
    QJsonArray items;
    for (const auto& row : list.rows) items.append(qtext(row.item));
    lists[list.name] = items;
  }
  QJsonObject setup{{"type", "setup"},
                    {"divider", slider(Control::hscDiv)},
                    {"speed", slider(Control::scvDel)},
                    {"lists", lists},
                    {"sweep", sweep}};
  return setup;
}

QJsonObject state_message(const form::FormState& form, const form::ControlAccess& controls,
                          const form::StatusLine& status, const SweepControl* sweep) {
  // The frequency of the word sent, not the text of a box a user may have typed into.
  QJsonObject state{
      {"type", "state"},
      {"frequency", qtext(words::frequency_text(words::received_mhz(form.iDiv, form.step)))},
      {"hz", static_cast<double>(words::received_hz(form.iDiv, form.step))},
      {"range", qtext(words::tuning_range_text(form.step))},
      {"stepsMhz", steps_mhz(form.step)},
      {"divider", controls.value(Control::hscDiv)},
      {"wordA", qtext(controls.text(Control::txtA))},
      {"wordB", qtext(controls.text(Control::txtB))},
      {"speed", controls.value(Control::scvDel)},
      {"status", qtext(status.text)},
      {"statusDetail", qtext(status.tooltip)},
      {"statusAlert", status.alert}};
  for (const auto& toggle : kToggles) state[toggle.name] = qtext(controls.text(toggle.caption));
  // The row whose setting Word B carries: the window's one-row lists show it even before a
  // first choice.
  const words::WordBChoice carried = words::choice_of(form);
  for (const auto& list : kLists) state[list.name] = carried.*list.row;
  if (sweep) {
    state["sweep"] = qtext(sweep->progress());
    state["sweepRange"] = qtext(whole_band_sweep(form.step));
  }
  return state;
}

QJsonObject sweep_message(const SweepOutcome& outcome, const std::string& number) {
  QJsonArray notes;
  for (const auto& note : outcome.notes) notes.append(qtext(note));
  return {{"type", "sweep"},
          {"summary", qtext(outcome.summary)},
          {"notes", notes},
          {"number", qtext(number)}};
}

QJsonObject stations_message(const std::vector<state::Station>& stations) {
  QJsonArray list;
  for (const auto& station : stations) {
    list.append(QJsonObject{{"name", qtext(station.name)},
                            {"mhz", qtext(words::hz_frequency_text(station.hz))},
                            {"hz", static_cast<double>(station.hz)}});
  }
  return {{"type", "stations"}, {"stations", list}};
}

QJsonObject refusal_message(const std::string& reason) {
  return {{"type", "refused"}, {"reason", qtext(reason)}};
}

Outcome carry_out(form::Panel& panel, SweepControl* sweep, state::Stations* stations,
                  const QJsonObject& request) {
  const QString action = request["do"].toString();
  if (action == "frequency") {
    const auto divider =
        words::divider_for_typed_mhz(request["mhz"].toString().toStdString(), panel.step());
    if (const auto* why = std::get_if<std::string>(&divider)) return {*why};
    panel.tune(std::get<std::int32_t>(divider));
  }
  if (action == "sweep" && sweep) return {sweep->start(request["range"].toString().toStdString())};
  if (action == "stop sweep" && sweep) sweep->stop();
  if (action.endsWith(" station") && stations) return on_stations(panel, *stations, request);
  if (action == "tune") {
    if (const auto divider = whole(request["divider"])) panel.tune(*divider);
  } else if (action == "speed") {
    if (const auto value = whole(request["value"])) panel.set_bus_speed(*value);
  } else if (action == "press" && request["button"] == "send") {
    panel.raise(form::Event::cmdSend_Click);
  } else if (action == "press") {
    for (const auto& toggle : kToggles) {
      if (request["button"] == toggle.name) panel.raise(toggle.click);
    }
  } else if (action == "choose") {
    const auto row = whole(request["row"]);
    for (const auto& list : kLists) {
      if (request["list"] == list.name && row && *row >= 0 && *row < std::ssize(list.rows)) {
        panel.choose(list.control, *row);
      }
    }
  }
  return {};
}

}  // namespace web
