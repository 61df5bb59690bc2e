# Cross compilation for Windows with the mingw-w64 posix thread model (std::thread and
# std::mutex need it). The toolchain file of each build names its target and variant first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${CORVANE_PROCESSOR})
set(CMAKE_C_COMPILER ${CORVANE_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs start through the scripts' launcher, told which variant they are.
set(CMAKE_CROSSCOMPILING_EMULATOR env;CORVANE_VARIANT=${CORVANE_TOOLCHAIN_VARIANT};${CMAKE_CURRENT_LIST_DIR}/../scripts/wine.sh)
