#pragma once

namespace app {

// SIGINT and SIGTERM (on Windows, Ctrl+C and closing the console) end the event loop, as
// closing the window does. Call once the application object exists.
void quit_on_signals();

// Whether a window can be shown at all; without this check Qt aborts with a core dump when
// there is no display to connect to.
bool display_reachable();

}  // namespace app
