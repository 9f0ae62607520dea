# A 64-bit Windows build (package g++-mingw-w64-x86-64). It is not shipped:
# it lets the Windows end-to-end cases run under 64-bit Wine on machines
# whose kernel runs no 32-bit code, where the 32-bit program cannot start.
set(mingw_arch x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
