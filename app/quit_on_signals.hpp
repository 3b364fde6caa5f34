#pragma once

namespace app {

// SIGINT and SIGTERM end the event loop, as closing the window does.
void quit_on_signals();

}  // namespace app
