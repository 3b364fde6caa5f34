# 32-bit ARM Linux with hardware floating point: a Raspberry Pi on 32-bit Raspberry Pi OS.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(SAA_TRIPLET arm-linux-gnueabihf)
set(SAA_EMULATOR qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-multiarch.cmake)
