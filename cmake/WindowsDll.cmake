# What makes the shared library a Windows DLL a host can use: the export
# names and a version resource carrying the project's version.
#
# Both go into the build directory: ZEBIndicators.def (the one a host builds
# an import library from, shipped next to the DLL) and ZEBIndicators.rc.

# 32-bit: interface/ZEBIndicators.def as it is (undecorated names aliasing
# the stdcall symbols, which carry their argument bytes). 64-bit has one
# calling convention and undecorated symbols: the same names without aliases.
function(zeb_write_def_file out)
  set(def ${PROJECT_SOURCE_DIR}/interface/ZEBIndicators.def)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    configure_file(${def} ${out} COPYONLY)
    return()
  endif()
  file(READ ${def} text)
  string(REGEX REPLACE " = [A-Za-z_0-9]+@[0-9]+" "" text "${text}")
  file(WRITE ${out}.new "${text}")
  configure_file(${out}.new ${out} COPYONLY)
  file(REMOVE ${out}.new)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
endfunction()

function(zeb_windows_dll target)
  set(def ${CMAKE_BINARY_DIR}/ZEBIndicators.def)
  zeb_write_def_file(${def})
  math(EXPR ZEB_DLL_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_BINARY_DIR}/ZEBIndicators.rc
    @ONLY)
  target_sources(${target} PRIVATE ${def} ${CMAKE_BINARY_DIR}/ZEBIndicators.rc)
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "")
endfunction()
