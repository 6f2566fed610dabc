# Shared body of the MinGW-w64 cross toolchains (posix threads); tests run
# under Wine. The per-target files set, before including this one:
#   ZEB_MINGW_PREFIX     the compiler prefix (i686-w64-mingw32, x86_64-w64-mingw32)
#   ZEB_MINGW_ARCH_FLAGS code-generation flags that fix the floating-point results
#   ZEB_WINE_LOADER      the Wine loader that runs this target's programs
#   ZEB_WINDOWS_TARGET   the target's short name (win32, win64)

set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZEB_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEB_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEB_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZEB_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_C_FLAGS_INIT "${ZEB_MINGW_ARCH_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${ZEB_MINGW_ARCH_FLAGS}")

# The C and C++ runtimes and winpthread are linked in, so the DLL and every
# test program import system DLLs only.
set(ZEB_MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${ZEB_MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${ZEB_MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${ZEB_MINGW_STATIC_RUNTIME}")

# Test programs run under Wine (cmake/wine-run.sh) with a private prefix in
# the build directory, so that CI (root, no display) needs nothing prepared
# beforehand.
if(NOT EXISTS ${ZEB_WINE_LOADER})
  message(FATAL_ERROR
    "${ZEB_WINE_LOADER} not found: the ${ZEB_WINDOWS_TARGET} tests run under Wine (scripts/install-deps.sh)")
endif()
set(ZEB_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${ZEB_WINE_LOADER}
    ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEB_WINE_RUN})
