#pragma once

namespace app {

// A standard stream closed at start (`>&-`) stays closed in effect: otherwise the first file,
// socket or port that the program opens takes its descriptor and receives what is written to
// the stream, the headless log into the trace. Call first of all.
void hold_closed_standard_streams();

// A window program on Windows has no console of its own: join the console it was started from,
// if any, and print --help, messages and the headless log there unless they are redirected.
void use_parent_console();

// A write into a pipe or socket whose reader has gone fails with its reason (POSIX would end
// the program by SIGPIPE instead). Call before anything is written.
void ignore_broken_pipes();

// SIGINT and SIGTERM (on Windows, Ctrl+C and closing the console) end the event loop, as
// closing the window does. Call once the application object exists.
void quit_on_signals();

// Call once everything the program owes before it ends is done (the trace complete, the port
// given back, the rigctld clients closed): Windows ends the process as soon as the handler of
// a closed console, a logoff or a shutdown returns, and that handler waits for this.
void exit_path_done();

// Whether a window can be shown at all; without this check Qt aborts with a core dump when
// there is no display to connect to.
bool display_reachable();

}  // namespace app
