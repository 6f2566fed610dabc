# Creates the Wine prefix when it is missing, waits until Wine has settled and
# checks that it runs programs.
#   cmake -DPREFIX=dir "-DWINE_RUN=cmake/wine-run.sh;LOADER;dir" -P wine_prefix.cmake
if(NOT EXISTS "${PREFIX}/system.reg")
  execute_process(COMMAND ${WINE_RUN} wineboot --init RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "wineboot failed (${result}); run scripts/install-deps.sh")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${PREFIX} wineserver --wait)
endif()
execute_process(COMMAND ${WINE_RUN} cmd /c echo Wine is ready RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Wine does not run programs (${result}); run scripts/install-deps.sh")
endif()
