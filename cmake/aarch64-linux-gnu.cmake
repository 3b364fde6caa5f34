# 64-bit ARM Linux: a Raspberry Pi 3 or newer on 64-bit Raspberry Pi OS or Debian.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(SAA_TRIPLET aarch64-linux-gnu)
set(SAA_EMULATOR qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-multiarch.cmake)
