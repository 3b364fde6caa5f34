// Delivers a console control event to a program as Windows does: a thread started in it at
// kernelbase's CtrlRoutine runs its handlers. After a closed console, a logoff or a shutdown the
// system ends the program once the handlers have returned, or after five seconds. Wine's
// GenerateConsoleCtrlEvent sends Ctrl+C and Ctrl+Break only, and Wine ends no program after one.
//
// Usage: console_event EVENT TRIGGER PROGRAM [ARGUMENT...]
// EVENT is ctrl-c, close, logoff or shutdown. Starts PROGRAM, delivers EVENT once the file
// TRIGGER exists, and says how the program ended: "ended by itself with status 0", or "ended by
// the system after its handlers returned, 120 ms after the event" (or "... ran, 5000 ms ...").
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

namespace {

// By their codes, CTRL_C_EVENT to CTRL_SHUTDOWN_EVENT; from CTRL_CLOSE_EVENT on, the system ends
// the program after the handlers.
const std::string kEvents[] = {"ctrl-c", "", "close", "", "", "logoff", "shutdown"};
// What Windows allows a closed console's programs before it ends them.
constexpr DWORD kSystemBoundMs = 5000;
constexpr DWORD kEndedBySystem = 0xC000013A;  // STATUS_CONTROL_C_EXIT

int fail(const char* what) {
  std::fprintf(stderr, "console_event: %s (error %lu)\n", what, GetLastError());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const auto event = static_cast<DWORD>(
      std::ranges::find(kEvents, argc < 4 ? "" : std::string(argv[1])) - std::begin(kEvents));
  if (argc < 4 || !*argv[1] || event == std::size(kEvents))
    return fail("usage: console_event ctrl-c|close|logoff|shutdown TRIGGER PROGRAM [ARGUMENT...]");
  std::string line;
  for (int i = 3; i < argc; ++i) line += std::string(i > 3 ? " \"" : "\"") + argv[i] + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &program)) {
    return fail("cannot start the program");
  }
  const auto running = [&program](DWORD wait_ms) {
    return WaitForSingleObject(program.hProcess, wait_ms) == WAIT_TIMEOUT;
  };
  for (int polls = 0; GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES; ++polls) {
    if (!running(50)) return fail("the program ended before the event");
    if (polls == 2400) return fail("no trigger file within two minutes");
  }

  const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernelbase.dll"), "CtrlRoutine")));
  if (!routine) return fail("kernelbase.dll has no CtrlRoutine");
  const ULONGLONG start_ms = GetTickCount64();
  const HANDLE handlers = CreateRemoteThread(program.hProcess, nullptr, 0, routine,
                                             reinterpret_cast<void*>(ULONG_PTR{event}), 0, nullptr);
  if (!handlers) return fail("cannot start the handlers' thread in the program");
  const bool returned = WaitForSingleObject(handlers, kSystemBoundMs) == WAIT_OBJECT_0;
  const auto elapsed_ms = static_cast<unsigned long>(GetTickCount64() - start_ms);
  DWORD handled = 0;
  GetExitCodeThread(handlers, &handled);
  // 0 when no handler ran, or when the program's own exit ended the thread: it then ends too.
  if (returned && !handled && running(1000)) return fail("the program's handlers were not run");

  if (event >= CTRL_CLOSE_EVENT && running(0)) {
    TerminateProcess(program.hProcess, kEndedBySystem);
    std::printf("ended by the system after its handlers %s, %lu ms after the event\n",
                returned ? "returned" : "ran", elapsed_ms);
    return 0;
  }
  if (running(20000)) {
    TerminateProcess(program.hProcess, kEndedBySystem);
    return fail("the program still ran 20 s after the event: ended");
  }
  DWORD status = 0;
  GetExitCodeProcess(program.hProcess, &status);
  std::printf("ended by itself with status %lu\n", status);
}
