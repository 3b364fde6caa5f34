// Stands in for the port-I/O library: Out32 notes every write and Inp32 every read, in order, for
// the test to read; with STAND_IN_INPOUT_LOG set, also in that file, for a test that runs the
// program. Inp32 answers what the test last gave StandInSetStatus.
// Plain C, so that the library needs no C++ runtime beside it.
#include <cstdio>
#include <cstdlib>

namespace {
char received[8192];
int length = 0;
short status = 0;

std::FILE* log = nullptr;
bool log_opened = false;

std::FILE* log_file() {
  if (!log_opened) {
    log_opened = true;
    const char* path = std::getenv("STAND_IN_INPOUT_LOG");
    if (path) log = std::fopen(path, "wb");
  }
  return log;
}

// Notes "CALL port value".
void note(const char* call, short port, short value) {
  if (std::FILE* file = log_file()) {
    std::fprintf(file, "%s %u %d\n", call, static_cast<unsigned short>(port), value);
    std::fflush(file);
  }
  if (length > static_cast<int>(sizeof received) - 32) return;
  length += std::snprintf(received + length, sizeof received - static_cast<unsigned>(length),
                          "%s %u %d\n", call, static_cast<unsigned short>(port), value);
}
}  // namespace

extern "C" {

void __stdcall Out32(short port, short value) { note("Out32", port, value); }

short __stdcall Inp32(short port) {
  note("Inp32", port, status);
  return status;
}

// The calls so far, a line each: "Out32 888 136", "Inp32 889 64" (what it answered).
const char* StandInReceived() { return received; }

void StandInSetStatus(short value) { status = value; }
}
