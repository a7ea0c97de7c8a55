# The compile and link options of every target Kaldrin makes, in one place:
# the INTERFACE target kaldrin_program_options (alias kaldrin::program_options).
# Every library and program of the suite links it PRIVATE through
# kaldrin_target_options(), in this tree or in a project that takes Kaldrin in
# with add_subdirectory and calls kaldrin_add_tool. Nothing here is set for a
# directory, so the options reach a program made outside this tree as well.
# The link flags (static runtime, hardening, sanitizers) also reach any
# program that links one of the static libraries; the compile options
# (warnings) stay with Kaldrin's own targets.
#
# The link flags are link libraries of the INTERFACE target, not link options:
# a static library passes the link options of a PRIVATE dependency on to the
# program that links it only under policy CMP0099 (CMake 3.17 and later),
# while link libraries reach that program under every policy. A project that
# declares cmake_minimum_required(VERSION 3.16) and links kaldrin::core thus
# still gets the static runtime and what the stack protector needs (libssp).

if(TARGET kaldrin_program_options)
  return()
endif()

add_library(kaldrin_program_options INTERFACE)
add_library(kaldrin::program_options ALIAS kaldrin_program_options)

# kaldrin_target_options(<target>): the target gets the suite's options.
function(kaldrin_target_options target)
  target_link_libraries(${target} PRIVATE kaldrin_program_options)
endfunction()

# Warnings are errors; sources are UTF-8.
if(MSVC)
  target_compile_options(kaldrin_program_options INTERFACE /W4 /WX /utf-8 /permissive-)
else()
  target_compile_options(kaldrin_program_options INTERFACE -Wall -Wextra -Werror -finput-charset=UTF-8)
endif()

if(KALDRIN_SANITIZE AND NOT MSVC)
  target_compile_options(kaldrin_program_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_libraries(kaldrin_program_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(KALDRIN_BUILD_FUZZ)
  # Every target of a fuzz build carries the sanitizers and the fuzzer's
  # coverage instrumentation; the fuzz targets add the libFuzzer runtime.
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KALDRIN_BUILD_FUZZ needs clang (libFuzzer): CXX=clang++")
  endif()
  target_compile_options(kaldrin_program_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  target_link_libraries(kaldrin_program_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(KALDRIN_COVERAGE AND NOT MSVC)
  target_compile_options(kaldrin_program_options INTERFACE --coverage -O0)
  target_link_libraries(kaldrin_program_options INTERFACE --coverage)
endif()

if(MINGW)
  # One self-contained program: no libgcc, libstdc++ or winpthread DLLs beside it.
  target_link_libraries(kaldrin_program_options INTERFACE -static -static-libgcc -static-libstdc++)
  # The same sources give the same bytes wherever and whenever they are built:
  # no link time in the PE header, no source or build folder in file names the
  # compiler keeps (assertions, debug information). The folders are this
  # tree's and, when another project takes it in, that project's; the last
  # map that fits a file wins, so this tree's own come last.
  get_filename_component(_kaldrin_root ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
  set(_kaldrin_prefix_maps ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${_kaldrin_root} ${PROJECT_BINARY_DIR})
  list(REMOVE_DUPLICATES _kaldrin_prefix_maps)
  target_link_libraries(kaldrin_program_options INTERFACE -Wl,--no-insert-timestamp)
  foreach(folder ${_kaldrin_prefix_maps})
    target_compile_options(kaldrin_program_options INTERFACE -ffile-prefix-map=${folder}/=)
  endforeach()
  # Hardening: a stack canary in every function with arrays or address-taken
  # locals (a tool's program brings its own guard, app/main.cpp, seeded by the
  # loader through the load configuration; other programs take libssp's,
  # statically); ASLR with 64-bit addresses, DEP, and terminal-server
  # awareness, as hospitals run the programs on remote-desktop hosts.
  target_compile_options(kaldrin_program_options INTERFACE -fstack-protector-strong)
  target_link_libraries(kaldrin_program_options INTERFACE -fstack-protector-strong
                        -Wl,--dynamicbase,--high-entropy-va,--nxcompat,--tsaware)
  # GNU ld leaves the load-configuration directory empty; the link's last step
  # points it at a program's _load_config_used (app/main.cpp) and sets the
  # image checksum again. Programs without one are left as linked.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  foreach(language C CXX)
    list(APPEND CMAKE_${language}_LINK_EXECUTABLE
         "\"${Python3_EXECUTABLE}\" \"${_kaldrin_root}/scripts/release/pe.py\" set-load-config <TARGET>")
  endforeach()
elseif(MSVC)
  # The loader maps the DLLs of the program's imports from the system folder only.
  target_link_options(kaldrin_program_options INTERFACE /DEPENDENTLOADFLAG:0x800)
endif()
