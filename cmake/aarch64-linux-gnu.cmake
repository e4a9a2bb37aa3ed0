# Cross-building for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu);
# the programs built run under qemu-user (qemu-aarch64) against the cross C library.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(QM_CROSS_TRIPLE aarch64-linux-gnu)
find_program(CMAKE_CXX_COMPILER ${QM_CROSS_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER ${QM_CROSS_TRIPLE}-gcc REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QM_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs each cross-built test program through the emulator.
find_program(QM_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QM_QEMU_AARCH64} -L /usr/${QM_CROSS_TRIPLE})
