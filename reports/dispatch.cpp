#include "reports/reports.h"

#include <cstring>

#include "core/convert.h"
#include "core/text.h"
#include "reports/generators.h"
#include "reports/report_kinds.h"

double input_by_key(const ToolDef* tool, const double* values, const char* key) {
    if (tool == nullptr || values == nullptr || key == nullptr || tool->inputs == nullptr) return 0.0;
    // A value array holds MAX_TOOL_VALUES doubles; inputs past that have no
    // value to read, so a definition that lists more cannot read past the array.
    int count = tool->input_count < MAX_TOOL_VALUES ? tool->input_count : MAX_TOOL_VALUES;
    for (int i = 0; i < count; ++i) {
        const char* candidate = tool->inputs[i].key;
        if (candidate != nullptr && std::strcmp(candidate, key) == 0) return values[i];
    }
    return 0.0;
}

int int_by_key(const ToolDef* tool, const double* values, const char* key) {
    return double_to_int(input_by_key(tool, values, key));
}

void append_line(wchar_t* report, int report_capacity, const wchar_t* text) {
    text_append_n(report, report_capacity, text, REPORT_LINE_CAPACITY - 1);
    text_append(report, report_capacity, L"\r\n");
}

int dispatch_report(int kind, const ToolDef* tool, const double* values,
                    wchar_t* report, int report_capacity, wchar_t* verdict, int verdict_capacity) {
    text_copy(report, report_capacity, L"");
    text_copy(verdict, verdict_capacity, L"");
    // The generator of the kind's row; kind 0 (formulas) has no report.
    const ReportKindEntry* entry = find_report_kind(kind);
    if (entry != nullptr) return entry->generate(tool, values, report, report_capacity, verdict, verdict_capacity);
    text_copy(report, report_capacity, L"（该工具暂无自定义报告）");
    text_copy(verdict, verdict_capacity, L"暂无报告内容");
    return 0;
}
