# Runs a tool's self-test program (app/selftest_main.cpp, made by
# kaldrin_add_tool) in an empty folder and compares the report it writes with
# the bytes the tool declares:
#   cmake -DPROGRAM=<program> [-DEMULATOR=<runner>] -DEXPECTED=<file> -DWORK=<folder>
#         -P KaldrinCheckSelftest.cmake
# Fails unless the self-test exits with 0 and the bytes are the same.

foreach(required PROGRAM EXPECTED WORK)
  if("${${required}}" STREQUAL "")
    message(FATAL_ERROR "KaldrinCheckSelftest: -D${required}=... is required")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE code)
if(NOT code STREQUAL "0")
  message(FATAL_ERROR "the self-test of ${PROGRAM} exited with ${code}, not 0")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${EXPECTED}" "${WORK}/selftest.txt"
                RESULT_VARIABLE different)
if(NOT different STREQUAL "0")
  file(READ "${WORK}/selftest.txt" written HEX)
  file(READ "${EXPECTED}" expected HEX)
  message(FATAL_ERROR "the self-test report differs from ${EXPECTED}\n"
                      "expected: ${expected}\nwritten:  ${written}")
endif()
