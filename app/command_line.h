#pragma once
// The self-test switch of the command line and the report path that follows it.

// Room for the report path: 519 characters and the terminator.
constexpr int SELFTEST_PATH_CAPACITY = 520;

enum class SelftestRequest {
    none,           // no "--selftest": open the window
    run,            // run the self-test and write the report to the path
    path_too_long,  // the path does not fit; nothing may be written
};

// Looks for the first "--selftest" anywhere in command_line (a plain,
// case-sensitive search, so it is also found inside the program's own path or
// glued to other characters) and takes the report path from what follows it:
// blanks (U+0020 only; a tab is part of the path) are skipped; a path opened
// by a double quote runs to the next double quote or the end of the line, any
// other path to the next blank or the end of the line. An empty path gives
// "selftest.txt" in the current directory.
//
// A path with more characters than capacity - 1 is refused (path_too_long)
// rather than cut: a cut path names a different file, and the report would
// land where nobody looks for it. path is written only for run.
SelftestRequest find_selftest_request(const wchar_t* command_line, wchar_t* path, int capacity);
