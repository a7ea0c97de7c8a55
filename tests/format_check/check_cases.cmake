# Runs the cases of a source such as format_cases.cpp: every line
# "#if CASE == <n>  // fault: <text>" (or "#elif") is one case. The case is
# compiled with -DFITS, which must succeed, and without, which must fail with
# <text> in the compiler's output, so that it fails for that reason.
#
#   cmake -DCXX=<compiler> -DFLAGS="<flags>" -DINCLUDE=<dir> -DSOURCE=<file>
#         -DMIN_CASES=<n> -P check_cases.cmake

separate_arguments(flags UNIX_COMMAND "${FLAGS}")
file(STRINGS "${SOURCE}" lines REGEX "^#(el)?if CASE == [0-9]+ +// fault: ")
set(count 0)
set(failed 0)
foreach(line IN LISTS lines)
  string(REGEX MATCH "CASE == ([0-9]+) +// fault: (.*)$" ignored "${line}")
  set(case ${CMAKE_MATCH_1})
  set(fault "${CMAKE_MATCH_2}")
  math(EXPR count "${count} + 1")

  execute_process(COMMAND ${CXX} ${flags} -fsyntax-only -I${INCLUDE} -DCASE=${case} -DFITS ${SOURCE}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message("case ${case}: the arguments that fit do not compile:\n${output}")
    math(EXPR failed "${failed} + 1")
  endif()

  execute_process(COMMAND ${CXX} ${flags} -fsyntax-only -I${INCLUDE} -DCASE=${case} ${SOURCE}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(result EQUAL 0)
    message("case ${case}: the arguments that do not fit compile (expected: ${fault})")
    math(EXPR failed "${failed} + 1")
  else()
    string(FIND "${output}" "${fault}" at)
    if(at EQUAL -1)
      message("case ${case}: fails, but not with \"${fault}\":\n${output}")
      math(EXPR failed "${failed} + 1")
    endif()
  endif()
endforeach()

if(count LESS MIN_CASES)
  message(FATAL_ERROR "${count} cases found in ${SOURCE}, expected at least ${MIN_CASES}")
endif()
if(failed GREATER 0)
  message(FATAL_ERROR "${failed} of ${count} cases wrong")
endif()
message("${count} cases: each compiles with arguments that fit and fails for its fault without")
