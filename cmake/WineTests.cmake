# Under Wine every test needs the Wine prefix of this build directory. The
# first test creates it (once, before any other test starts), so tests never
# race to initialise it.

function(zeb_add_wine_prefix_test)
  list(GET ZEB_WINE_RUN -1 prefix)
  add_test(NAME wine_prefix COMMAND ${CMAKE_COMMAND} "-DWINE_RUN=${ZEB_WINE_RUN}" -DPREFIX=${prefix}
    -P ${PROJECT_SOURCE_DIR}/cmake/wine_prefix.cmake)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 900)
endfunction()

# Makes every test of the calling directory wait for the prefix. A Wine
# process that hangs (seen when 32-bit programs run through qemu-i386) fails
# its test after the timeout instead of stalling the whole run.
function(zeb_tests_need_wine_prefix)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
  endif()
  get_property(names DIRECTORY PROPERTY TESTS)
  list(REMOVE_ITEM names wine_prefix)
  if(names)
    set_tests_properties(${names} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
  endif()
endfunction()
