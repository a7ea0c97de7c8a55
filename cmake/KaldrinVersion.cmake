# The version of the program lives in one place, the project() line of the
# top-level CMakeLists.txt. This writes what carries it into the build folder:
#   <build>/generated/ui/version.h       read by the C++ sources and kaldrin.rc
#   <build>/generated/ui/kaldrin.manifest  embedded by kaldrin.rc
# and puts <build>/generated on kaldrin_core's include path, so that
# #include "ui/version.h" finds it.

foreach(part MAJOR MINOR PATCH)
  set(KALDRIN_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(KALDRIN_VERSION_${part} STREQUAL "")
    set(KALDRIN_VERSION_${part} 0)
  endif()
endforeach()

set(KALDRIN_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/ui/version.h.in ${KALDRIN_GENERATED_DIR}/ui/version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/ui/kaldrin.manifest.in ${KALDRIN_GENERATED_DIR}/ui/kaldrin.manifest @ONLY)
target_include_directories(kaldrin_core PUBLIC $<BUILD_INTERFACE:${KALDRIN_GENERATED_DIR}>)
