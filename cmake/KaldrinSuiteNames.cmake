# The suite's shared names (core/suite_names.h) as CMake variables: each line
# `#define KALDRIN_SUITE_<NAME> "<text>"` of the header sets KALDRIN_SUITE_<NAME>.
# A name the build needs and the header lacks stops the configuration.

set(_kaldrin_suite_names ${CMAKE_CURRENT_LIST_DIR}/../core/suite_names.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_kaldrin_suite_names})
file(STRINGS ${_kaldrin_suite_names} _kaldrin_suite_lines REGEX "^#define KALDRIN_SUITE_[A-Z_]+ \"[^\"\\\\]*\"$")
foreach(_kaldrin_suite_line IN LISTS _kaldrin_suite_lines)
  string(REGEX MATCH "^#define (KALDRIN_SUITE_[A-Z_]+) \"([^\"\\\\]*)\"$" _ "${_kaldrin_suite_line}")
  set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
foreach(_kaldrin_suite_name PUBLISHER HOST DATA_FOLDER)
  if("${KALDRIN_SUITE_${_kaldrin_suite_name}}" STREQUAL "")
    message(FATAL_ERROR "no KALDRIN_SUITE_${_kaldrin_suite_name} in ${_kaldrin_suite_names}")
  endif()
endforeach()
