# Cross build for 32-bit Windows with MinGW-w64 (posix threads), tests run
# under 32-bit Wine. Usage:
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake

set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZEB_WINDOWS_TARGET win32)
set(ZEB_MINGW_PREFIX i686-w64-mingw32)
# SSE2 arithmetic instead of the x87 stack: doubles are rounded exactly as on
# x86-64, so both builds give the same bits.
set(ZEB_MINGW_ARCH_FLAGS "-msse2 -mfpmath=sse")
set(ZEB_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
