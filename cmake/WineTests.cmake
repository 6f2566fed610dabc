# Under Wine every test needs the Wine prefix of this build directory. The
# first test creates it (once, before any other test starts), so tests never
# race to initialise it.

function(zeb_add_wine_prefix_test)
  add_test(NAME wine_prefix COMMAND ${CMAKE_COMMAND}
    -DWINE=${ZEB_WINE} "-DWINE_ENV=${ZEB_WINE_ENV}"
    -P ${PROJECT_SOURCE_DIR}/cmake/wine_prefix.cmake)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 900)
endfunction()

# Makes every test of the calling directory wait for the prefix.
function(zeb_tests_need_wine_prefix)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
  endif()
  get_property(names DIRECTORY PROPERTY TESTS)
  list(REMOVE_ITEM names wine_prefix)
  if(names)
    set_tests_properties(${names} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
