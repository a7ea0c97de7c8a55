# What every unit test program of the project shares: GoogleTest, and in a
# cross build the Wine environment the programs run in. Included from the
# top-level CMakeLists.txt when KALDRIN_BUILD_TESTS is on, before tests/ and
# the tools, which make their test programs with kaldrin_unit_test().
#
#   KALDRIN_GTEST_LIBS  the GoogleTest libraries (gtest with its main)
#   KALDRIN_TEST_ENV    the environment of a test that runs a Windows program
#                       under Wine (empty natively)
#   wine_prefix         the CTest fixture that makes the one Wine prefix all
#                       those tests share (cross builds only)

if(CMAKE_CROSSCOMPILING)
  # Debian's googletest source package, built with the cross compiler.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(KALDRIN_GTEST_LIBS gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  set(KALDRIN_GTEST_LIBS GTest::gtest GTest::gtest_main)
endif()

set(KALDRIN_TEST_ENV "")
if(CMAKE_CROSSCOMPILING)
  # All Wine runs share one prefix inside the build folder, made once before any test.
  set(KALDRIN_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
  set(KALDRIN_TEST_ENV
    "WINEPREFIX=${KALDRIN_WINEPREFIX}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml="
  )
  add_test(NAME wine_prefix
    COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/prepare-prefix.sh ${KALDRIN_WINEPREFIX})
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix)
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
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} ${KALDRIN_GTEST_LIBS})
  kaldrin_set_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  kaldrin_test_environment(${name})
endfunction()
