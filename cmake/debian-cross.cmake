# Shared by the cross toolchain files: a Linux target built with Debian's cross
# compiler for KWVCARD_TRIPLET (g++-<triplet>), whose programs run under
# KWVCARD_QEMU (qemu-user) on the compiler's own sysroot, /usr/<triplet>. That
# sysroot holds the C and C++ runtimes but no gconv modules: as on a minimal
# embedded image, iconv there knows no GB2312.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${KWVCARD_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KWVCARD_TRIPLET}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KWVCARD_QEMU} -L /usr/${KWVCARD_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${KWVCARD_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
