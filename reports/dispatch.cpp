#include "reports/reports.h"

#include <cstring>

#include "core/text.h"

double input_by_key(const ToolDef* tool, const double* values, const char* key) {
    if (tool == nullptr || key == nullptr) return 0.0;
    for (int i = 0; i < tool->input_count; ++i) {
        const char* candidate = tool->inputs[i].key;
        if (candidate != nullptr && std::strcmp(candidate, key) == 0) return values[i];
    }
    return 0.0;
}

// Only the fallback for kinds without a report so far; the report kinds follow.
int dispatch_report(int kind, const ToolDef* tool, const double* values,
                    wchar_t* report, int report_capacity, wchar_t* verdict, int verdict_capacity) {
    (void)kind;
    (void)tool;
    (void)values;
    text_copy(report, report_capacity, L"（该工具暂无自定义报告）");
    text_copy(verdict, verdict_capacity, L"暂无报告内容");
    return 0;
}
