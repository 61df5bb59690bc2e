# Cross compilation for 64-bit Windows (x86-64) with the mingw-w64 posix thread model: the
# second build of the same sources, run under 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs start through the scripts' launcher, told which variant they are.
set(CMAKE_CROSSCOMPILING_EMULATOR env;CORVANE_VARIANT=x64;${CMAKE_CURRENT_LIST_DIR}/../scripts/wine.sh)
