# Compiler settings shared by every target of the project.

function(kaldrin_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror
      -finput-charset=UTF-8)
  endif()
endfunction()

if(KALDRIN_SANITIZE AND NOT MSVC)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(KALDRIN_BUILD_FUZZ)
  # Every target of a fuzz build carries the sanitizers and the fuzzer's
  # coverage instrumentation; the fuzz targets add the libFuzzer runtime.
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KALDRIN_BUILD_FUZZ needs clang (libFuzzer): CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(KALDRIN_COVERAGE AND NOT MSVC)
  add_compile_options(--coverage -O0)
  add_link_options(--coverage)
endif()

if(MINGW)
  # One self-contained kaldrin.exe: no libgcc, libstdc++ or winpthread DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The same sources give the same bytes wherever and whenever they are built:
  # no link time in the PE header, no build folder in file names the compiler
  # keeps (assertions, debug information).
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options(-ffile-prefix-map=${CMAKE_CURRENT_SOURCE_DIR}/=
                      -ffile-prefix-map=${CMAKE_CURRENT_BINARY_DIR}/=)
  # Hardening: a stack canary in every function with arrays or address-taken
  # locals (its runtime, libssp, goes in statically with the rest); ASLR with
  # 64-bit addresses, DEP, and terminal-server awareness, as hospitals run the
  # programs on remote-desktop hosts.
  add_compile_options(-fstack-protector-strong)
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase,--high-entropy-va,--nxcompat,--tsaware)
  # GNU ld leaves the load-configuration directory empty; the link's last step
  # points it at a program's _load_config_used (app/main.cpp) and sets the
  # image checksum again. Programs without one are left as linked.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  foreach(language C CXX)
    list(APPEND CMAKE_${language}_LINK_EXECUTABLE
         "\"${Python3_EXECUTABLE}\" \"${CMAKE_CURRENT_LIST_DIR}/../scripts/release/pe.py\" set-load-config <TARGET>")
  endforeach()
elseif(MSVC)
  # The loader maps the DLLs of the program's imports from the system folder only.
  add_link_options(/DEPENDENTLOADFLAG:0x800)
endif()
