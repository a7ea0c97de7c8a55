#pragma once
// Built-in report generators, selected by a tool's report_kind.

#include "core/tool.h"

// Writes the report of the given kind into report and its verdict into
// verdict; returns the level. Both texts are emptied first and cut to their
// capacities - 1.
int dispatch_report(int kind, const ToolDef* tool, const double* values,
                    wchar_t* report, int report_capacity, wchar_t* verdict, int verdict_capacity);

// Value of the first input whose key equals key (exact, case-sensitive);
// 0.0 when none does.
double input_by_key(const ToolDef* tool, const double* values, const char* key);

