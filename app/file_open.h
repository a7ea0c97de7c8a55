#pragma once
// Opening a file by wide path: the one place that differs between Windows
// (wide file names) and other systems (UTF-8 file names).

#include <cstdio>

// Opens path with the stdio mode ("wb", "rb", ...). Returns null when the file
// cannot be opened; elsewhere than Windows also when path does not fit the
// fixed room for its UTF-8 form (4095 bytes).
std::FILE* open_file(const wchar_t* path, const char* mode);
