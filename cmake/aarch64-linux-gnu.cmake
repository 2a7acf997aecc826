# Cross build for 64-bit ARM Linux (g++-aarch64-linux-gnu, qemu-aarch64).
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(KWVCARD_TRIPLET aarch64-linux-gnu)
set(KWVCARD_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
