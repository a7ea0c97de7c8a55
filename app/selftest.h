#pragma once
// The self-test: evaluate the tool at its default inputs and write a
// line-oriented UTF-8 report (TOOL, LEVEL, OUT, VERDICT, DETAIL, ERRORS).

#include <cstddef>

#include "core/tool.h"

// Exit codes of a self-test run.
constexpr int SELFTEST_PASSED = 0;          // every output formula evaluated cleanly
constexpr int SELFTEST_FORMULA_FAILED = 2;  // at least one output formula failed
constexpr int SELFTEST_NOT_WRITTEN = 3;     // the report could not be written whole

// Room for the assembled report, in wide characters with the terminator.
constexpr int SELFTEST_REPORT_CAPACITY = 16384;

// Runs the self-test of tool and writes the report to path. Returns
// SELFTEST_NOT_WRITTEN when the report did not fit its room or could not be
// written to the file whole, whatever the formulas gave: a missing or partial
// report is never passed off as a result.
int run_selftest(const ToolDef* tool, const wchar_t* path);

// Assembles the report of tool into report (capacity characters with the
// terminator) and counts the output formulas that fail on their own. Returns
// false when the report had to be cut to fit.
bool build_selftest_report(const ToolDef* tool, wchar_t* report, int capacity, int* error_count);

// Writes text as UTF-8 (no byte-order mark) to path, creating or truncating
// the file. Returns true only when the file was opened and every byte was
// written and flushed; there is no length limit.
bool write_utf8_file(const wchar_t* path, const wchar_t* text);

// Compares a written self-test report with the report a tool declares, byte
// for byte. The declared report may write a date counted from a day as
// {today}, {today+N} or {today-N} (N from 1 to 6 digits): it stands for the
// date of day + N as the program writes it (YYYY-MM-DD, civil_from_days); any
// other text in braces is compared as it stands. Returns 0 when the two are
// the same, else the number (from 1) of the first line of the written report
// that differs.
int selftest_report_mismatch(const char* expected, std::size_t expected_length, const char* written,
                             std::size_t written_length, long long day);
