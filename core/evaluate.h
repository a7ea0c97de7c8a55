#pragma once
// One evaluation of a tool: result lines, verdict, level and detail text.

#include "core/tool.h"

// The capacities of an evaluation's texts, in wide characters with the
// terminator, as the window, the self-test and the record log hold them. The
// result holds the longest report whole (40 nurses over 31 days, 6390
// characters); the detail text is a copy of the result.
constexpr int RESULT_TEXT_CAPACITY = 8192;
constexpr int VERDICT_TEXT_CAPACITY = 512;
constexpr int DETAIL_TEXT_CAPACITY = 8192;

// Evaluates the tool at the given input values (input_count doubles, in input
// order). Writes the result lines, the verdict of the first rule that holds
// (or the default verdict), and a copy of the result text as detail text; each
// text is cut to its capacity - 1 characters and terminated. Returns the level
// and stores it through level. Report tools (report_kind not 0) are handed to
// dispatch_report.
int evaluate_tool(const ToolDef* tool, const double* input_values,
                  wchar_t* result_text, int result_capacity,
                  wchar_t* verdict_text, int verdict_capacity, int* level,
                  wchar_t* detail_text, int detail_capacity);

// The verdict when no rule decides.
extern const wchar_t* const DEFAULT_VERDICT_TEXT;
