#pragma once
// One evaluation through evaluate_tool with its texts as strings: for the
// tests of the evaluation and the worked examples of each tool.

#include <cstddef>
#include <initializer_list>
#include <string>

#include "core/evaluate.h"

struct Evaluation {
    std::wstring result, verdict, detail;
    int level = -1;
    int returned = -1;

    // The first result line, without its line end.
    std::wstring first_line() const { return result.substr(0, result.find(L"\r\n")); }
};

// Evaluates tool at the count values given (its inputs in order, the rest 0)
// with the capacities given, the window's by default. Each buffer starts
// with a mark, so a text left unwritten shows as such.
inline Evaluation evaluate(const ToolDef* tool, const double* values, std::size_t count,
                           int result_capacity = RESULT_TEXT_CAPACITY, int verdict_capacity = VERDICT_TEXT_CAPACITY,
                           int detail_capacity = DETAIL_TEXT_CAPACITY) {
    double inputs[MAX_TOOL_VALUES] = {};
    for (std::size_t i = 0; i < count && i < MAX_TOOL_VALUES; ++i) inputs[i] = values[i];
    static wchar_t result[RESULT_TEXT_CAPACITY], verdict[VERDICT_TEXT_CAPACITY], detail[DETAIL_TEXT_CAPACITY];
    for (wchar_t* b : {result, verdict, detail}) b[0] = L'#';
    Evaluation e;
    e.returned = evaluate_tool(tool, inputs, result, result_capacity, verdict, verdict_capacity, &e.level, detail,
                               detail_capacity);
    e.result = result;
    e.verdict = verdict;
    e.detail = detail;
    return e;
}

inline Evaluation evaluate(const ToolDef* tool, std::initializer_list<double> values,
                           int result_capacity = RESULT_TEXT_CAPACITY, int verdict_capacity = VERDICT_TEXT_CAPACITY,
                           int detail_capacity = DETAIL_TEXT_CAPACITY) {
    return evaluate(tool, values.begin(), values.size(), result_capacity, verdict_capacity, detail_capacity);
}

template <std::size_t N>
Evaluation evaluate(const ToolDef* tool, const double (&values)[N]) {
    return evaluate(tool, values, N);
}
