#pragma once
// Built-in report generators, selected by a tool's report_kind.

#include <type_traits>

#include "core/text.h"
#include "core/tool.h"

// Writes the report of the given kind into report and its verdict into
// verdict; returns the level. Both texts are emptied first and cut to their
// capacities - 1.
int dispatch_report(int kind, const ToolDef* tool, const double* values,
                    wchar_t* report, int report_capacity, wchar_t* verdict, int verdict_capacity);

// Value of the first input whose key equals key (exact, case-sensitive);
// 0.0 when none does.
double input_by_key(const ToolDef* tool, const double* values, const char* key);

// A report line is formatted into a scratch of this many characters, so a
// line holds at most REPORT_LINE_CAPACITY - 1 characters before its CR LF.
constexpr int REPORT_LINE_CAPACITY = 512;

// Appends one line to report by the append rule: the text (at most
// REPORT_LINE_CAPACITY - 1 characters of it), then "\r\n" under the same
// bound, so that at the very end of a full report only "\r" may fit.
// Without arguments the text is taken literally: a percent sign stays one.
void append_line(wchar_t* report, int report_capacity, const wchar_t* text);

// With arguments the text is a format of core/text.h (%d %02d %c %ls %.0f
// %.2f %%, ...), checked against them while compiling and formatted into the
// line scratch first.
template <typename First, typename... Rest>
void append_line(wchar_t* report, int report_capacity,
                 TextFormat<std::type_identity_t<First>, std::type_identity_t<Rest>...> format, First first,
                 Rest... rest) {
    wchar_t line[REPORT_LINE_CAPACITY];
    text_format(line, REPORT_LINE_CAPACITY, format, first, rest...);
    append_line(report, report_capacity, line);
}
