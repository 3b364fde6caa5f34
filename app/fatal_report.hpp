#pragma once

#include <string>

#include "common/failure_message.hpp"
#include "form/panel.hpp"

class QWidget;

namespace app {

using common::print_error;

// What a panel does at its first failure, which may come inside any event (a click, a rigctld
// client's command, start-up). From there it only posts the report: the report and the exit
// run from the event loop once that event is over, so nothing the event was using (a client's
// socket) can go away under it while a message box waits. The report says why the program
// ends: always on standard error, and in a message box over `window` where there is a screen.
// Start the event loop even when start-up failed, so that the report is made.
form::Panel::FatalHandler report_fatal_from_event_loop(QWidget* window);

}  // namespace app
