# Creates (or updates) the Wine prefix and waits until Wine has settled.
#   cmake -DWINE=/usr/bin/wine "-DWINE_ENV=A=1;B=2" -P wine_prefix.cmake
get_filename_component(wine_dir ${WINE} DIRECTORY)
find_program(WINESERVER NAMES wineserver HINTS ${wine_dir} /usr/lib/wine)
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE} wineboot --init
  RESULT_VARIABLE boot_result)
if(NOT boot_result EQUAL 0)
  message(FATAL_ERROR "wineboot failed (${boot_result}); run scripts/install-deps.sh")
endif()
if(WINESERVER)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINESERVER} --wait)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE} cmd /c echo wine ready
  RESULT_VARIABLE ready_result)
if(NOT ready_result EQUAL 0)
  message(FATAL_ERROR "Wine does not run programs (${ready_result}); run scripts/install-deps.sh")
endif()
