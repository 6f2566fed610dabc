# Flags that fix the floating-point results (every target) and the warnings
# that the project's own code must build cleanly with.

add_library(zeb_flags INTERFACE)
# No fused multiply-add contraction and no fast-math: both targets give the
# same bits for the same calls.
target_compile_options(zeb_flags INTERFACE -ffp-contract=off -fno-fast-math)

add_library(zeb_warnings INTERFACE)
target_compile_options(zeb_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror=return-type)
option(ZEB_WERROR "Treat the project's warnings as errors (the test command's builds)" OFF)
if(ZEB_WERROR)
  target_compile_options(zeb_warnings INTERFACE -Werror)
endif()

if(ZEB_SANITIZE)
  # float-cast-overflow is not part of -fsanitize=undefined: no float-to-integer
  # conversion anywhere may be undefined.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()

if(ZEB_FUZZ)
  # Coverage for libFuzzer on everything; the fuzz targets add the driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined,float-cast-overflow
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()

if(WIN32)
  set(ZEB_PLATFORM_LIBS wininet)
endif()
