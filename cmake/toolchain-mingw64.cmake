# The second build of the same sources: 64-bit Windows (x86-64), run under 64-bit Wine.
set(CORVANE_TRIPLE x86_64-w64-mingw32)
set(CORVANE_PROCESSOR x86_64)
set(CORVANE_TOOLCHAIN_VARIANT x64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
