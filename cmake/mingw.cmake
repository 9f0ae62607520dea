# Cross build of a Windows console program with Debian's mingw-w64, for the
# processor named in mingw_arch (i686 or x86_64) by the file including this
# one. Tests run the program under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${mingw_arch})

set(CMAKE_CXX_COMPILER ${mingw_arch}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${mingw_arch}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_arch}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
