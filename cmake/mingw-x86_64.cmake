# A 64-bit Windows build (package g++-mingw-w64-x86-64). It is not shipped:
# the Windows end-to-end cases run against it under 64-bit Wine, natively
# on any x86_64 machine, where the kernel may run the 32-bit program only
# under qemu.
set(mingw_arch x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
