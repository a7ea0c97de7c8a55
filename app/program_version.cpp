// Compiled into each program, not into a library: "version.h" is the
// program's own resource header (version and file descriptions), found through
// the include folder of the program's target.

#include "app/program_version.h"

#include "version.h"

const wchar_t PROGRAM_VERSION_TEXT[] = KALDRIN_WIDE(KALDRIN_VERSION_TEXT);
