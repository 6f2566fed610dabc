# Checks the PE files of a Windows build with objdump and windres:
#  - every file imports system DLLs only (the C/C++ runtime is linked in),
#  - the DLL exports exactly the seven undecorated names,
#  - the DLL's version resource carries VERSION (x.y.z).
#   cmake -DOBJDUMP=... -DWINDRES=... -DVERSION=x.y.z -DDLL=... "-DFILES=a.exe;b.exe"
#         -P check_pe.cmake
cmake_minimum_required(VERSION 3.20)
# System DLLs, and the library's own DLL for programs linked against it.
set(allowed_imports kernel32.dll msvcrt.dll wininet.dll user32.dll advapi32.dll ws2_32.dll
    shell32.dll ole32.dll zebindicators.dll)
set(expected_exports ZEB_IndicatorError ZEB_IndicatorInit ZEB_IndicatorSetBar
    ZEB_IndicatorSetBarNoCalc ZEB_IndicatorSetParameter ZEB_IndicatorTest ZEB_IndicatorValue)

set(failures "")
foreach(file IN LISTS DLL FILES)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  foreach(line IN LISTS imports)
    string(REGEX REPLACE "DLL Name: " "" name "${line}")
    string(TOLOWER "${name}" name)
    if(NOT name IN_LIST allowed_imports)
      string(APPEND failures "${file} imports ${name}\n")
    endif()
  endforeach()
  if(file STREQUAL DLL)
    string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
    string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_@0-9]+" names "${table}")
    list(TRANSFORM names REPLACE "^\\[ *[0-9]+\\] " "")
    list(SORT names)
    if(NOT names STREQUAL expected_exports)
      string(APPEND failures "${file} exports '${names}', expected '${expected_exports}'\n")
    endif()
    message(STATUS "${file}: exports ${names}")
  endif()
  list(TRANSFORM imports REPLACE "DLL Name: " "")
  message(STATUS "${file}: imports ${imports}")
endforeach()

# The resource decompiled: FILEVERSION x, y, z, 0 and the version texts.
execute_process(COMMAND ${WINDRES} -i ${DLL} -J coff -O rc OUTPUT_VARIABLE resources
  RESULT_VARIABLE result)
string(REPLACE "." ", " numeric "${VERSION}")
foreach(expected "FILEVERSION ${numeric}, 0" "PRODUCTVERSION ${numeric}, 0"
                 "VALUE \"FileVersion\", \"${VERSION}\""
                 "VALUE \"ProductVersion\", \"${VERSION}\"")
  string(FIND "${resources}" "${expected}" at)
  if(NOT result EQUAL 0 OR at EQUAL -1)
    string(APPEND failures "${DLL}: version resource lacks '${expected}'\n")
  endif()
endforeach()
string(REGEX MATCH "FileDescription\", \"([^\"]*)" description "${resources}")
message(STATUS "${DLL}: version resource ${VERSION}, \"${CMAKE_MATCH_1}\"")

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
