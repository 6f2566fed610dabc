# Fails when a source folder includes a header from a folder above it.
# Dependencies run one way: interface -> indicators -> components -> core.
# Usage: cmake -DSOURCE_DIR=<repository root> -P include_direction.cmake

set(forbidden_core components indicators interface)
set(forbidden_components indicators interface)
set(forbidden_indicators interface)

set(violations "")
foreach(folder core components indicators)
  list(JOIN forbidden_${folder} "|" pattern)
  file(GLOB sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${pattern})/")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
      string(APPEND violations "  ${name}: ${line}\n")
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes against the folder order "
                      "(interface -> indicators -> components -> core):\n${violations}")
endif()
