// Stands in for the port-I/O library: Out32 notes every write, in order, for the test to read.
// Plain C, so that the library needs no C++ runtime beside it.
#include <cstdio>

namespace {
char received[8192];
int length = 0;
}  // namespace

extern "C" {

void __stdcall Out32(short port, short value) {
  if (length > static_cast<int>(sizeof received) - 32) return;
  length += std::snprintf(received + length, sizeof received - static_cast<unsigned>(length),
                          "Out32 %u %d\n", static_cast<unsigned short>(port), value);
}

short __stdcall Inp32(short) { return 0; }

// The writes so far, a line each: "Out32 888 136".
const char* StandInReceived() { return received; }
}
