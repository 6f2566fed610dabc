# Cross build for 64-bit Windows with MinGW-w64 (posix threads), tests run
# under 64-bit Wine. Usage:
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake

set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZEB_WINDOWS_TARGET win64)
set(ZEB_MINGW_PREFIX x86_64-w64-mingw32)
# SSE2 is the x86-64 baseline; fused multiply-add stays off even where a
# later -march would allow it, so results match the other builds bit for bit.
set(ZEB_MINGW_ARCH_FLAGS "-mno-fma")
set(ZEB_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
