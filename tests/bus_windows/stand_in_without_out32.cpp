// A port-I/O library that lacks Out32.
extern "C" short __stdcall Inp32(short) { return 0; }
