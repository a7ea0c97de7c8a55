# The checks every tool's definition gets from kaldrin_add_tool, with nothing
# to ask for them:
#
#   kaldrin_definition_check(<target> <ID> [<declared self-test report>])
#
# At configure time: no two tools share a number. A tool number names the
# tool's record file and its upgrade code, so a second tool with one would
# write into the first one's records and replace it on install; the second
# call fails, naming both folders.
#
# On every build, the console program <target>_definition_check
# (app/definition_check_main.cpp linked with <target>_definition) that checks
# the definition against the ID and the declared self-test report, when there
# is one, and names each fault; the release checks run it on the report a
# released program writes. It needs no GoogleTest, so a build without tests
# makes it too. With KALDRIN_BUILD_TESTS on, the CTest test of that name runs
# it; in a cross build under Wine like every unit test.

function(kaldrin_definition_check target id)
  set(declared "${ARGV2}")
  get_property(earlier GLOBAL PROPERTY KALDRIN_TOOL_ID_${id})
  if(earlier)
    message(FATAL_ERROR "kaldrin_add_tool(${target}): ID ${id} is already the number of ${earlier}; "
                        "the tool in ${CMAKE_CURRENT_SOURCE_DIR} needs another (a number names one tool's "
                        "record file and upgrade code for good)")
  endif()
  set_property(GLOBAL PROPERTY KALDRIN_TOOL_ID_${id} "${target} in ${CMAKE_CURRENT_SOURCE_DIR}")

  set(program ${target}_definition_check)
  add_executable(${program} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../app/definition_check_main.cpp)
  target_link_libraries(${program} PRIVATE ${target}_definition)
  kaldrin_target_options(${program})
  set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${program})

  if(NOT KALDRIN_BUILD_TESTS)
    return()
  endif()
  if("${declared}" STREQUAL "")
    add_test(NAME ${program} COMMAND ${program} ${target} ${id})
  else()
    # The report is named from its own folder, so that the program (a Windows
    # one under Wine in a cross build) opens it by a plain relative name.
    get_filename_component(folder "${declared}" DIRECTORY)
    get_filename_component(name "${declared}" NAME)
    add_test(NAME ${program} COMMAND ${program} ${target} ${id} ${name} WORKING_DIRECTORY ${folder})
  endif()
  kaldrin_test_environment(${program})
endfunction()
