# The product: 32-bit Windows (i686).
set(CORVANE_TRIPLE i686-w64-mingw32)
set(CORVANE_PROCESSOR i686)
set(CORVANE_TOOLCHAIN_VARIANT x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
