#pragma once

#include <QJsonObject>
#include <optional>
#include <string>
#include <vector>

#include "form/form_state.hpp"
#include "form/panel.hpp"
#include "form/status_line.hpp"
#include "state/stations.hpp"
#include "web/sweep_control.hpp"

namespace web {

// What a page learns on connecting: the sliders' ranges and steps, the lists' rows, and
// whether it may sweep.
QJsonObject setup_message(bool sweep);

// What the panel holds now: the frequency of the word sent and the Word B settings composed,
// the rest read from its controls as they are, and how far a sweep is.
QJsonObject state_message(const form::FormState& form, const form::ControlAccess& controls,
                          const form::StatusLine& status, const SweepControl* sweep);

// A sweep's outcome, to every page; its rows and plot are fetched by `number`, which tells them
// from any other sweep's.
QJsonObject sweep_message(const SweepOutcome& outcome, const std::string& number);

// The stations, to every page: each one's name, frequency and divider.
QJsonObject stations_message(const std::vector<state::Station>& stations);

// A request the page's user could not make ("130 MHz is outside ..."), to that page alone.
QJsonObject refusal_message(const std::string& reason);

struct Outcome {
  std::optional<std::string> refusal;  // why the request was refused, if it was
  bool stations_changed = false;
};

// Carries out one of a page's requests on the panel, as the window's controls would, or on the
// sweep and the stations where they are offered.
Outcome carry_out(form::Panel& panel, SweepControl* sweep, state::Stations* stations,
                  const QJsonObject& request);

}  // namespace web
