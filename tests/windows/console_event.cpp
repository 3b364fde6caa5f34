// Delivers a console control event to a program as Windows does: a thread started in it at
// kernelbase's CtrlRoutine runs its handlers. After a closed console, a logoff or a shutdown the
// system ends the program once the handlers have returned, or after five seconds. Wine's
// GenerateConsoleCtrlEvent sends Ctrl+C and Ctrl+Break only, and Wine ends no program after one.
//
// Usage: console_event EVENT TRIGGER PROGRAM [ARGUMENT...]
// EVENT is close, logoff, shutdown or ctrl-c. Starts PROGRAM, delivers EVENT once
// the file TRIGGER exists, and says how the program ended: "ended by itself with status 0", or
// "ended by the system after its handlers returned" (or "... ran for 5000 ms").
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Event {
  const char* name;
  DWORD code;
  bool system_ends_program;
};

constexpr Event kEvents[] = {
    {"close", CTRL_CLOSE_EVENT, true},
    {"logoff", CTRL_LOGOFF_EVENT, true},
    {"shutdown", CTRL_SHUTDOWN_EVENT, true},
    {"ctrl-c", CTRL_C_EVENT, false},
};

// What Windows allows a closed console's programs before it ends them.
constexpr DWORD kSystemBoundMs = 5000;
constexpr DWORD kTriggerBoundMs = 120000;
constexpr DWORD kOwnEndBoundMs = 20000;
constexpr DWORD kOwnExitMs = 1000;
constexpr DWORD kEndedBySystem = 0xC000013A;  // STATUS_CONTROL_C_EXIT

int fail(const char* what) {
  std::fprintf(stderr, "console_event: %s (error %lu)\n", what, GetLastError());
  return 1;
}

std::string command_line(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) line += std::string(i ? " \"" : "\"") + argv[i] + "\"";
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  const Event* event = nullptr;
  for (const auto& row : kEvents) {
    if (argc > 1 && std::strcmp(argv[1], row.name) == 0) event = &row;
  }
  if (!event || argc < 4) {
    std::fprintf(stderr,
                 "usage: console_event close|logoff|shutdown|ctrl-c TRIGGER "
                 "PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  std::string line = command_line(argc - 3, argv + 3);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &program)) {
    return fail("cannot start the program");
  }
  CloseHandle(program.hThread);
  const auto running = [&program](DWORD wait_ms) {
    return WaitForSingleObject(program.hProcess, wait_ms) == WAIT_TIMEOUT;
  };
  for (DWORD waited_ms = 0; GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES;
       waited_ms += 50) {
    if (!running(50)) return fail("the program ended before the event");
    if (waited_ms > kTriggerBoundMs) return fail("no trigger file within two minutes");
  }

  const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernelbase.dll"), "CtrlRoutine")));
  if (!routine) return fail("kernelbase.dll has no CtrlRoutine");
  const ULONGLONG start_ms = GetTickCount64();
  const HANDLE handlers =
      CreateRemoteThread(program.hProcess, nullptr, 0, routine,
                         reinterpret_cast<void*>(static_cast<ULONG_PTR>(event->code)), 0, nullptr);
  if (!handlers) return fail("cannot start the handlers' thread in the program");
  const bool returned = WaitForSingleObject(handlers, kSystemBoundMs) == WAIT_OBJECT_0;
  const auto elapsed_ms = static_cast<unsigned long>(GetTickCount64() - start_ms);
  DWORD handled = 0;
  GetExitCodeThread(handlers, &handled);
  // 0 when no handler ran, or when the program's own exit ended the thread: it then ends too.
  if (returned && !handled && running(kOwnExitMs)) {
    return fail("the program's handlers were not run");
  }

  if (event->system_ends_program && running(0)) {
    TerminateProcess(program.hProcess, kEndedBySystem);
    if (returned) {
      std::printf("ended by the system after its handlers returned, %lu ms after the event\n",
                  elapsed_ms);
    } else {
      std::printf("ended by the system after its handlers ran for %lu ms\n", kSystemBoundMs);
    }
    return 0;
  }
  if (running(kOwnEndBoundMs)) {
    TerminateProcess(program.hProcess, kEndedBySystem);
    return fail("the program still ran 20 s after the event: ended");
  }
  DWORD status = 0;
  GetExitCodeProcess(program.hProcess, &status);
  std::printf("ended by itself with status %lu\n", status);
  return 0;
}
