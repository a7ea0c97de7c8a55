# Configures the project beside this file, which gives a second tool the
# number 51, and expects the configure to fail with a message that names both
# tools' folders.
#   cmake -DKALDRIN_SOURCE_DIR=<tree> -DCXX=<compiler> -DWORK=<folder> -P check_configure_fails.cmake

file(REMOVE_RECURSE "${WORK}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${WORK}
          -DKALDRIN_SOURCE_DIR=${KALDRIN_SOURCE_DIR} -DCMAKE_CXX_COMPILER=${CXX}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
  message(FATAL_ERROR "two tools with the ID 51 configure:\n${output}")
endif()
# CMake wraps long messages at blanks: compare with every run of blanks as one.
string(REGEX REPLACE "[ \t\r\n]+" " " flat "${output}")
foreach(expected "ID 51 is already the number of kaldrin in ${KALDRIN_SOURCE_DIR}; "
                 "the tool in ${CMAKE_CURRENT_LIST_DIR}/again needs another")
  string(FIND "${flat}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the configure fails, but its output does not say \"${expected}\":\n${output}")
  endif()
endforeach()
message("the second tool with ID 51 fails the configure, naming both folders")
