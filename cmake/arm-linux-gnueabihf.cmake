# Cross build for 32-bit ARM Linux, hard float (g++-arm-linux-gnueabihf,
# qemu-arm).
set(CMAKE_SYSTEM_PROCESSOR arm)
set(KWVCARD_TRIPLET arm-linux-gnueabihf)
set(KWVCARD_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
