#pragma once
// The version text of the program being built, as its About text shows it.
// Defined in app/program_version.cpp, which each program compiles with its own
// resource header: the framework's libraries never name a tool's version.

extern const wchar_t PROGRAM_VERSION_TEXT[];
