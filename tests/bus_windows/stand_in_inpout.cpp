// Stands in for the port-I/O library: Out32 keeps every write, in order, for the test to read.
extern "C" {

struct StandInWrite {
  short port;
  short value;
};

namespace {
constexpr int kCapacity = 4096;
StandInWrite recorded[kCapacity];
int recorded_count = 0;
}  // namespace

void __stdcall Out32(short port, short value) {
  if (recorded_count < kCapacity) recorded[recorded_count++] = {port, value};
}

short __stdcall Inp32(short) { return 0; }

int StandInWriteCount() { return recorded_count; }
const StandInWrite* StandInWrites() { return recorded; }
void StandInForget() { recorded_count = 0; }
}
