# Cross build for 32-bit Windows with MinGW-w64 (posix threads), tests run
# under Wine. Usage:
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(ZEB_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ZEB_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEB_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEB_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZEB_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic instead of the x87 stack: doubles are rounded exactly as on
# x86-64, so both builds give the same bits.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# The C and C++ runtimes and winpthread are linked in, so the DLL and every
# test program import system DLLs only.
set(ZEB_MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${ZEB_MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${ZEB_MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${ZEB_MINGW_STATIC_RUNTIME}")

# Test programs run under Wine (cmake/wine-run.sh) with a private prefix in
# the build directory, so that CI (root, no display) needs nothing prepared
# beforehand.
find_program(ZEB_WINE wine)
if(NOT ZEB_WINE)
  message(FATAL_ERROR "wine not found: the Win32 tests run under Wine (scripts/install-deps.sh)")
endif()
set(ZEB_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEB_WINE_RUN})
