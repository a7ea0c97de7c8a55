# kaldrin_add_tool: a tool of the suite from its definition, in one call.
#
#   kaldrin_add_tool(<target>
#       ID <tool number>
#       DEFINITION <file that defines get_tool()>
#       VERSION <major.minor[.patch]>
#       PRODUCT_NAME <text, may be Chinese>
#       [DESCRIPTION <text>]        the file description of the version resource
#                                   (default: PRODUCT_NAME)
#       [INSTALL_NAME <name>]       plain ASCII: the installed product's name, its
#                                   folder, Start-menu shortcut and registry key
#                                   (default: <target>)
#       [ICON <file.ico>]           (default: the suite's icon, ui/kaldrin.ico)
#       [UPGRADE_CODE <{GUID}>]     the installer's upgrade code, upper case in
#                                   braces, for a tool that has published one
#                                   (default: derived from ID)
#       [SELFTEST_REPORT <file>]    the exact bytes `<target>.exe --selftest` writes
#                                   (a date counted from today as {today+N})
#       [CHOICES]                   the definition also defines get_tool_choices()
#                                   (core/tool_choices.h); without it the tool
#                                   has none (core/no_choices.cpp)
#       [TESTS <GoogleTest source>...])
#
# Files are relative to the calling folder, which may be in a project that
# took Kaldrin in with add_subdirectory. On every build the call makes
# <target>_definition, a static library of the definition linked PUBLIC with
# kaldrin_framework, compiled with KALDRIN_TOOL_ID defined as the ID (the
# number the definition writes for ToolDef::id), and the console program
# <target>_definition_check (cmake/KaldrinDefinitionCheck.cmake, which also
# refuses a second tool with the same ID): it checks the definition and
# compares its self-test report with the SELFTEST_REPORT bytes. With
# KALDRIN_BUILD_TESTS on it adds the CTest tests <target>_tests (a GoogleTest
# program of the TESTS sources linked with the definition) and
# <target>_definition_check; with it off it says which tests it leaves out.
# When the Win32 layer exists it makes <target>.exe at the top of the build folder (CMAKE_BINARY_DIR, the top
# project's), with its version resource, manifest and icon written from the
# templates in ui/ to generated/<target>/, and the product facts
# products/<target>.json that the release scripts read
# (KALDRIN_PRODUCTS_DIR). Each of these targets links the suite's options
# (kaldrin_program_options, cmake/KaldrinOptions.cmake). The release's guide of
# the tool (README.txt) is written from the definition, through
# <target>_definition_check --describe, and docs/user/guide.md: a tool writes
# no text of its own for it.
#
# The function finds this tree's files from its own folder, never from a
# variable of the folder that included it.

# Programs, generated files and product facts of every tool of the build go
# to the top of the build folder; a multi-configuration generator gets one
# folder of facts per configuration.
include(${CMAKE_CURRENT_LIST_DIR}/KaldrinDefinitionCheck.cmake)

# The facts are written anew when the build system is generated: those of a
# tool renamed or removed since the last configure go, so the release
# targets never name a program this build no longer makes.
file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/products)
get_property(_kaldrin_multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(_kaldrin_multi_config)
  set(KALDRIN_PRODUCTS_DIR ${CMAKE_BINARY_DIR}/products/$<CONFIG> CACHE INTERNAL "")
else()
  set(KALDRIN_PRODUCTS_DIR ${CMAKE_BINARY_DIR}/products CACHE INTERNAL "")
endif()

# A JSON string of text: quotes and backslashes escaped. Line breaks never
# reach here (kaldrin_add_tool refuses them).
function(_kaldrin_json_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

function(kaldrin_add_tool target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "CHOICES"
    "ID;DEFINITION;VERSION;PRODUCT_NAME;DESCRIPTION;INSTALL_NAME;ICON;UPGRADE_CODE;SELFTEST_REPORT"
    "TESTS")
  set(call "kaldrin_add_tool(${target})")
  # This tree, found from this file's folder; the build's top folder.
  get_filename_component(KALDRIN_SOURCE_ROOT ${CMAKE_CURRENT_FUNCTION_LIST_DIR} DIRECTORY)
  set(KALDRIN_TOOL_TEMPLATES ${KALDRIN_SOURCE_ROOT}/ui)
  set(KALDRIN_BUILD_ROOT ${CMAKE_BINARY_DIR})
  # The namespace of the upgrade codes derived from tool numbers. Never change
  # it: a tool's upgrade code ties each of its releases to the earlier ones.
  set(KALDRIN_UPGRADE_CODE_NAMESPACE 38aeedb3-55fc-4c4d-ac3f-1bdb5b5d7cc3)
  # The suite's company: its publisher in core/suite_names.h.
  include(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/KaldrinSuiteNames.cmake)
  set(KALDRIN_COMPANY_NAME "${KALDRIN_SUITE_PUBLISHER}")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${call}: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  foreach(required ID DEFINITION VERSION PRODUCT_NAME)
    if("${arg_${required}}" STREQUAL "")
      message(FATAL_ERROR "${call}: ${required} is required")
    endif()
  endforeach()
  if(NOT arg_ID MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR "${call}: ID must be a positive whole number, not '${arg_ID}'")
  endif()
  if(NOT arg_VERSION MATCHES "^([0-9]+)\\.([0-9]+)(\\.([0-9]+))?$")
    message(FATAL_ERROR "${call}: VERSION must be major.minor or major.minor.patch, not '${arg_VERSION}'")
  endif()
  set(KALDRIN_VERSION_MAJOR "${CMAKE_MATCH_1}")
  set(KALDRIN_VERSION_MINOR "${CMAKE_MATCH_2}")
  set(KALDRIN_VERSION_PATCH "${CMAKE_MATCH_4}")
  if("${KALDRIN_VERSION_PATCH}" STREQUAL "")
    set(KALDRIN_VERSION_PATCH 0)
  endif()
  # The version as people read it: major.minor, and the patch only when it is
  # not 0, the rule of the release files' names (scripts/release/facts.py).
  math(EXPR KALDRIN_VERSION_MAJOR "${KALDRIN_VERSION_MAJOR}")
  math(EXPR KALDRIN_VERSION_MINOR "${KALDRIN_VERSION_MINOR}")
  math(EXPR KALDRIN_VERSION_PATCH "${KALDRIN_VERSION_PATCH}")
  set(KALDRIN_VERSION_TEXT "${KALDRIN_VERSION_MAJOR}.${KALDRIN_VERSION_MINOR}")
  if(NOT KALDRIN_VERSION_PATCH EQUAL 0)
    string(APPEND KALDRIN_VERSION_TEXT ".${KALDRIN_VERSION_PATCH}")
  endif()

  if("${arg_DESCRIPTION}" STREQUAL "")
    set(arg_DESCRIPTION "${arg_PRODUCT_NAME}")
  endif()
  # The names stand in C and resource strings: no quote, backslash or line break.
  foreach(text PRODUCT_NAME DESCRIPTION)
    if(arg_${text} MATCHES "[\"\\\\\r\n]")
      message(FATAL_ERROR "${call}: ${text} may not hold quotes, backslashes or line breaks")
    endif()
  endforeach()
  if("${arg_INSTALL_NAME}" STREQUAL "")
    set(arg_INSTALL_NAME "${target}")
  endif()
  # A folder, shortcut and registry key name that the installer tables carry
  # (ASCII only there) and the manifest's assembly name is made of. This is
  # the home of the rule for install names: the release scripts apply it as
  # it stands (INSTALL_NAME in scripts/release/facts.py) to the facts they
  # read and to the suite's name.
  if(NOT arg_INSTALL_NAME MATCHES "^[A-Za-z0-9][A-Za-z0-9 ._-]*$")
    message(FATAL_ERROR "${call}: INSTALL_NAME must be ASCII letters, digits, blanks, '.', '_' or '-', "
                        "not '${arg_INSTALL_NAME}'")
  endif()
  if("${arg_ICON}" STREQUAL "")
    set(arg_ICON ${KALDRIN_TOOL_TEMPLATES}/kaldrin.ico)
  endif()
  foreach(file DEFINITION ICON SELFTEST_REPORT)
    if(NOT "${arg_${file}}" STREQUAL "")
      get_filename_component(arg_${file} "${arg_${file}}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      if(NOT EXISTS "${arg_${file}}")
        message(FATAL_ERROR "${call}: ${file} ${arg_${file}} does not exist")
      endif()
    endif()
  endforeach()
  if("${arg_UPGRADE_CODE}" STREQUAL "")
    string(UUID upgrade_code NAMESPACE ${KALDRIN_UPGRADE_CODE_NAMESPACE} NAME "tool-${arg_ID}" TYPE SHA1 UPPER)
    set(arg_UPGRADE_CODE "{${upgrade_code}}")
  else()
    string(LENGTH "${arg_UPGRADE_CODE}" length)
    if(NOT length EQUAL 38 OR NOT arg_UPGRADE_CODE MATCHES
       "^{[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+}$")
      message(FATAL_ERROR "${call}: UPGRADE_CODE must be a GUID in upper case and braces, not '${arg_UPGRADE_CODE}'")
    endif()
  endif()

  # The definition, on every build.
  add_library(${target}_definition STATIC ${arg_DEFINITION})
  if(NOT arg_CHOICES)
    target_sources(${target}_definition PRIVATE ${KALDRIN_SOURCE_ROOT}/core/no_choices.cpp)
  endif()
  target_link_libraries(${target}_definition PUBLIC kaldrin_framework)
  # The tool's number, stated once: the definition writes KALDRIN_TOOL_ID.
  target_compile_definitions(${target}_definition PRIVATE KALDRIN_TOOL_ID=${arg_ID})
  kaldrin_target_options(${target}_definition)
  kaldrin_definition_check(${target} ${arg_ID} "${arg_SELFTEST_REPORT}")

  if(NOT KALDRIN_BUILD_TESTS)
    message(STATUS "${call}: KALDRIN_BUILD_TESTS is OFF here, so none of its tests (TESTS, the definition check) is built")
  endif()
  if(KALDRIN_BUILD_TESTS)
    if(arg_TESTS)
      kaldrin_unit_test(${target}_tests LIBRARIES ${target}_definition SOURCES ${arg_TESTS})
    endif()
  endif()

  if(NOT TARGET kaldrin_win32)
    return()
  endif()

  # The program's resources from the suite's templates.
  set(generated ${KALDRIN_BUILD_ROOT}/generated/${target})
  set(KALDRIN_PRODUCT_NAME "${arg_PRODUCT_NAME}")
  set(KALDRIN_FILE_DESCRIPTION "${arg_DESCRIPTION}")
  set(KALDRIN_INTERNAL_NAME ${target})
  set(KALDRIN_FILE_NAME ${target}${CMAKE_EXECUTABLE_SUFFIX})
  set(KALDRIN_INSTALL_NAME "${arg_INSTALL_NAME}")
  string(REPLACE " " "" KALDRIN_ASSEMBLY_NAME "${arg_INSTALL_NAME}")
  set(KALDRIN_ICON_FILE ${arg_ICON})
  set(KALDRIN_MANIFEST_FILE ${generated}/${target}.manifest)
  configure_file(${KALDRIN_TOOL_TEMPLATES}/version.h.in ${generated}/version.h @ONLY)
  configure_file(${KALDRIN_TOOL_TEMPLATES}/program.manifest.in ${KALDRIN_MANIFEST_FILE} @ONLY)
  configure_file(${KALDRIN_TOOL_TEMPLATES}/program.rc.in ${generated}/${target}.rc @ONLY)
  set_property(SOURCE ${generated}/${target}.rc APPEND PROPERTY OBJECT_DEPENDS
    ${KALDRIN_ICON_FILE} ${KALDRIN_MANIFEST_FILE} ${generated}/version.h)

  # A GUI program, linked statically (cmake/KaldrinOptions.cmake). version.h
  # is found by the resource script and by app/program_version.cpp.
  add_executable(${target} WIN32
    ${KALDRIN_SOURCE_ROOT}/app/main.cpp
    ${KALDRIN_SOURCE_ROOT}/app/program_version.cpp
    ${generated}/${target}.rc
  )
  target_include_directories(${target} PRIVATE ${generated})
  target_link_libraries(${target} PRIVATE kaldrin_win32 ${target}_definition)
  kaldrin_target_options(${target})
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${KALDRIN_BUILD_ROOT}
    KALDRIN_GENERATED_DIR ${generated})
  if(MSVC)
    # The manifest comes from the resource script; the linker must not add its own.
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
  if(MINGW)
    # The entry point is wWinMain; a release build carries no symbols.
    target_link_options(${target} PRIVATE -municode $<$<CONFIG:Release>:-s>)
  endif()

  # The product facts. The program's path is known when the build system is
  # written.
  _kaldrin_json_string(json_root "${KALDRIN_BUILD_ROOT}")
  if(NOT json_root STREQUAL "\"${KALDRIN_BUILD_ROOT}\"")
    message(FATAL_ERROR "${call}: the build folder's path ${KALDRIN_BUILD_ROOT} holds a quote or a backslash")
  endif()
  set(facts ${KALDRIN_PRODUCTS_DIR}/${target}.json)
  _kaldrin_json_string(json_target "${target}")
  foreach(field PRODUCT_NAME DESCRIPTION INSTALL_NAME UPGRADE_CODE ICON SELFTEST_REPORT)
    if("${arg_${field}}" STREQUAL "")
      set(json_${field} null)
    else()
      _kaldrin_json_string(json_${field} "${arg_${field}}")
    endif()
  endforeach()
  _kaldrin_json_string(json_version "${KALDRIN_VERSION_MAJOR}.${KALDRIN_VERSION_MINOR}.${KALDRIN_VERSION_PATCH}")
  _kaldrin_json_string(json_publisher "${KALDRIN_COMPANY_NAME}")
  file(GENERATE OUTPUT ${facts} CONTENT "{
  \"target\": ${json_target},
  \"tool_id\": ${arg_ID},
  \"program\": \"$<TARGET_FILE_NAME:${target}>\",
  \"program_path\": \"$<TARGET_FILE:${target}>\",
  \"definition_check_path\": \"$<TARGET_FILE:${target}_definition_check>\",
  \"product_name\": ${json_PRODUCT_NAME},
  \"description\": ${json_DESCRIPTION},
  \"install_name\": ${json_INSTALL_NAME},
  \"version\": ${json_version},
  \"publisher\": ${json_publisher},
  \"upgrade_code\": ${json_UPGRADE_CODE},
  \"icon\": ${json_ICON},
  \"selftest_report\": ${json_SELFTEST_REPORT}
}
")
endfunction()
