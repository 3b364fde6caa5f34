#pragma once

#include <QJsonObject>
#include <optional>
#include <string>

#include "form/panel.hpp"
#include "form/status_line.hpp"

namespace web {

// What a page learns on connecting: the sliders' ranges and steps and the lists' rows.
QJsonObject setup_message();

// What the window shows now, read from its controls as they are.
QJsonObject state_message(const form::ControlAccess& controls, const form::StatusLine& status);

// A request the page's user could not make ("130 MHz is outside ..."), to that page alone.
QJsonObject refusal_message(const std::string& reason);

// Carries out one of a page's requests on the panel, as the window's controls would. Returns
// why it was refused, if it was.
std::optional<std::string> carry_out(form::Panel& panel, const QJsonObject& request);

}  // namespace web
