// Stands in for the port-I/O library: Out32 notes every write, in order, for the test to read;
// with STAND_IN_INPOUT_LOG set, also in that file, for a test that runs the program.
// Plain C, so that the library needs no C++ runtime beside it.
#include <cstdio>
#include <cstdlib>

namespace {
char received[8192];
int length = 0;

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
}  // namespace

extern "C" {

void __stdcall Out32(short port, short value) {
  if (std::FILE* file = log_file()) {
    std::fprintf(file, "Out32 %u %d\n", static_cast<unsigned short>(port), value);
    std::fflush(file);
  }
  if (length > static_cast<int>(sizeof received) - 32) return;
  length += std::snprintf(received + length, sizeof received - static_cast<unsigned>(length),
                          "Out32 %u %d\n", static_cast<unsigned short>(port), value);
}

short __stdcall Inp32(short) { return 0; }

// The writes so far, a line each: "Out32 888 136".
const char* StandInReceived() { return received; }
}
