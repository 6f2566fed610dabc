# Runs the replay natively and on a cross target (TARGET, e.g. win64, run
# through TARGET_REPLAY) and fails when any line differs.
cmake_minimum_required(VERSION 3.20)
if(NOT EXISTS ${NATIVE_DIR}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${NATIVE_DIR}
    -DCMAKE_BUILD_TYPE=RelWithDebInfo RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot configure the native build in ${NATIVE_DIR}")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${NATIVE_DIR} --target zeb_replay
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot build the native replay in ${NATIVE_DIR}")
endif()
execute_process(COMMAND ${NATIVE_DIR}/tests/replay/zeb_replay ${BARS}
  OUTPUT_FILE ${OUT_DIR}/replay_native.txt RESULT_VARIABLE native_result)
execute_process(COMMAND ${TARGET_REPLAY} ${BARS}
  OUTPUT_FILE ${OUT_DIR}/replay_${TARGET}.txt RESULT_VARIABLE target_result)
if(NOT native_result EQUAL 0 OR NOT target_result EQUAL 0)
  message(FATAL_ERROR "replay failed: native ${native_result}, ${TARGET} ${target_result}")
endif()
file(STRINGS ${OUT_DIR}/replay_native.txt native)
file(STRINGS ${OUT_DIR}/replay_${TARGET}.txt target)
string(REPLACE ";" "\n" native_text "${native}")
string(REPLACE ";" "\n" target_text "${target}")
message(STATUS "native:\n${native_text}")
if(NOT native STREQUAL target)
  message(FATAL_ERROR "the ${TARGET} replay differs from the native one:\n${target_text}")
endif()
list(LENGTH native lines)
math(EXPR keywords "${lines} - 2")
message(STATUS "${TARGET} and native replays are bit-identical for ${keywords} keywords")
