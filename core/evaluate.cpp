#include "core/evaluate.h"

#include <cmath>

#include "core/format.h"
#include "core/text.h"
#include "expr/expr.h"
#include "reports/reports.h"

const wchar_t* const DEFAULT_VERDICT_TEXT = L"请核对输入参数后重新计算";

namespace {

constexpr int VALUE_TEXT_CAPACITY = 128;
constexpr int LINE_CAPACITY = 256;
const wchar_t* const INCOMPLETE_NOTICE = L"（部分结果无法计算，请检查输入是否合理）\r\n";

void clear(wchar_t* text, int capacity) {
    text_copy(text, capacity, L"");
}

}  // namespace

int evaluate_tool(const ToolDef* tool, const double* input_values,
                  wchar_t* result_text, int result_capacity,
                  wchar_t* verdict_text, int verdict_capacity, int* level,
                  wchar_t* detail_text, int detail_capacity) {
    clear(detail_text, detail_capacity);
    clear(verdict_text, verdict_capacity);
    clear(result_text, result_capacity);
    int decided = 0;

    if (tool->report_kind != 0) {
        decided = dispatch_report(tool->report_kind, tool, input_values, result_text, result_capacity,
                                  verdict_text, verdict_capacity);
        text_copy(detail_text, detail_capacity, result_text);
        if (level != nullptr) *level = decided;
        return decided;
    }

    double outputs[MAX_TOOL_VALUES] = {};
    bool failed = false;
    for (int i = 0; i < tool->output_count; ++i) {
        int error = 0;
        outputs[i] = eval_expr(tool, tool->outputs[i].expr, input_values, outputs, &error);
        if (error != 0) failed = true;
    }

    for (int i = 0; i < tool->output_count; ++i) {
        const ToolOutput& output = tool->outputs[i];
        wchar_t value_text[VALUE_TEXT_CAPACITY];
        format_value(output.format, outputs[i], value_text, VALUE_TEXT_CAPACITY);
        wchar_t line[LINE_CAPACITY];
        if (output.unit != nullptr && output.unit[0] != L'\0') {
            text_format(line, LINE_CAPACITY, L"%ls：%ls %ls\r\n", output.label, value_text, output.unit);
        } else {
            text_format(line, LINE_CAPACITY, L"%ls：%ls\r\n", output.label, value_text);
        }
        text_append(result_text, result_capacity, line);
    }
    if (failed) text_append(result_text, result_capacity, INCOMPLETE_NOTICE);

    for (int i = 0; i < tool->rule_count; ++i) {
        const ToolRule& rule = tool->rules[i];
        bool holds = rule.condition == nullptr || rule.condition[0] == '\0';
        if (!holds) {
            int error = 0;
            double value = eval_expr(tool, rule.condition, input_values, outputs, &error);
            holds = error == 0 && value != 0.0;
        }
        if (holds) {
            text_copy(verdict_text, verdict_capacity, rule.message);
            decided = rule.level;
            break;
        }
    }

    // The default verdict is cut to the verdict capacity like every other text.
    if (verdict_capacity >= 1 && verdict_text[0] == L'\0') {
        text_copy(verdict_text, verdict_capacity, DEFAULT_VERDICT_TEXT);
    }

    text_copy(detail_text, detail_capacity, result_text);
    if (level != nullptr) *level = decided;
    return decided;
}
