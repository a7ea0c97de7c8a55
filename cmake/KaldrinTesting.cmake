# What every unit test program shares: GoogleTest, and in a cross build the
# Wine environment the programs run in. Included from the top-level
# CMakeLists.txt when KALDRIN_BUILD_TESTS is on, before tests/ and the tools,
# which make their test programs with kaldrin_unit_test(). The functions work
# the same when they are called from a project that took Kaldrin in with
# add_subdirectory: what they read is global.
#
#   KALDRIN_GTEST_LIBS  the GoogleTest libraries (gtest with its main), once
#                       kaldrin_use_gtest() has run
#   KALDRIN_TEST_ENV    the environment of a test that runs a Windows program
#                       under Wine (empty natively)
#   wine_prefix         the CTest fixture that makes the one Wine prefix all
#                       those tests share (cross builds only)

set(KALDRIN_TEST_ENV "" CACHE INTERNAL "")
if(CMAKE_CROSSCOMPILING)
  # All Wine runs share one prefix inside the build folder, made once before any test.
  set(KALDRIN_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix CACHE INTERNAL "")
  set(KALDRIN_TEST_ENV
    "WINEPREFIX=${KALDRIN_WINEPREFIX}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml="
    CACHE INTERNAL "")
  get_filename_component(_kaldrin_root ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
  add_test(NAME wine_prefix COMMAND ${_kaldrin_root}/tests/wine/prepare-prefix.sh ${KALDRIN_WINEPREFIX})
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix)
endif()

# kaldrin_use_gtest(): finds GoogleTest once for the whole build and sets
# KALDRIN_GTEST_LIBS. A cross build compiles Debian's googletest source
# package with the cross compiler. Kaldrin's own build does it at once; a
# project that takes Kaldrin in needs GoogleTest only for a tool with TESTS.
function(kaldrin_use_gtest)
  if(DEFINED CACHE{KALDRIN_GTEST_LIBS})
    return()
  endif()
  if(CMAKE_CROSSCOMPILING)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set(KALDRIN_GTEST_LIBS gtest gtest_main CACHE INTERNAL "")
  else()
    # Imported targets visible in every folder of the build, not only in the
    # calling one.
    set(CMAKE_FIND_PACKAGE_TARGETS_GLOBAL ON)
    find_package(GTest REQUIRED)
    set(KALDRIN_GTEST_LIBS GTest::gtest GTest::gtest_main CACHE INTERNAL "")
  endif()
endfunction()
unset(KALDRIN_GTEST_LIBS CACHE)
if(PROJECT_IS_TOP_LEVEL)
  kaldrin_use_gtest()
endif()

# kaldrin_test_environment(<test>...): a test that runs a program of this
# build gets the Wine environment and waits for the prefix (cross builds).
function(kaldrin_test_environment)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${ARGN} PROPERTIES
      ENVIRONMENT "${KALDRIN_TEST_ENV}" FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()

# kaldrin_unit_test(<name> LIBRARIES <library>... SOURCES <source>...): a
# GoogleTest program linked with the libraries, registered as the CTest test
# <name>. Natively it runs directly; in a cross build under Wine
# (CMAKE_CROSSCOMPILING_EMULATOR).
function(kaldrin_unit_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LIBRARIES;SOURCES")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_SOURCES)
    message(FATAL_ERROR "kaldrin_unit_test(${name}): LIBRARIES <library>... SOURCES <source>...")
  endif()
  kaldrin_use_gtest()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} ${KALDRIN_GTEST_LIBS})
  kaldrin_target_options(${name})
  add_test(NAME ${name} COMMAND ${name})
  kaldrin_test_environment(${name})
endfunction()
