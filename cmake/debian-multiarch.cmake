# Cross-building for another Linux architecture with Debian's cross compiler and Debian's
# multiarch Qt for it (qt6-base-dev:ARCH), which installs beside this machine's; the build runs
# this machine's Qt tools (moc). Tests run under qemu-user. Included by a toolchain file that
# sets CMAKE_SYSTEM_PROCESSOR, SAA_TRIPLET (Debian's multiarch name) and SAA_EMULATOR.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${SAA_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${SAA_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${SAA_TRIPLET})
include(${CMAKE_CURRENT_LIST_DIR}/qt-host.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SAA_EMULATOR})
