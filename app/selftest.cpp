#include "app/selftest.h"

#include <cassert>
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include "app/file_open.h"
#include "core/evaluate.h"
#include "core/format.h"
#include "core/text.h"
#include "core/utf8.h"
#include "expr/expr.h"

namespace {

constexpr int VALUE_TEXT_CAPACITY = 128;
constexpr int OUT_LINE_CAPACITY = 512;
constexpr int DETAIL_LINE_LIMIT = 8000;

constexpr wchar_t REPORT_OUT_LINE[] = L"OUT|报告文本|见 DETAIL|\r\n";

// The report under assembly: appends by the append rule and remembers
// whether any piece did not fit whole.
struct Report {
    wchar_t* text;
    int capacity;
    int length;
    bool cut;

    void append(const wchar_t* piece, int count) {
        for (int i = 0; i < count; ++i) {
            if (length >= capacity - 1) {
                cut = true;
                break;
            }
            text[length++] = piece[i];
        }
        text[length] = L'\0';
    }
    void append(const wchar_t* piece) { append(piece, text_length(piece)); }
    template <typename... Args>
    void append_format(TextFormat<std::type_identity_t<Args>...> format, Args... args) {
        if (length >= capacity - 1) {
            cut = true;
            return;
        }
        int added = text_format(text + length, capacity - length, format, args...);
        if (added < 0) {
            cut = true;
            length = capacity - 1;
        } else {
            length += added;
        }
    }
};

void append_out_lines(Report& report, const ToolDef* tool, const double* inputs, int* error_count) {
    for (int i = 0; i < tool->output_count; ++i) {
        const ToolOutput& output = tool->outputs[i];
        double zeros[MAX_TOOL_VALUES] = {};
        int error = 0;
        double value = eval_expr(tool, output.expr, inputs, zeros, &error);
        if (error != 0) ++*error_count;
        wchar_t value_text[VALUE_TEXT_CAPACITY];
        format_value(output.format, value, value_text, VALUE_TEXT_CAPACITY);
        wchar_t line[OUT_LINE_CAPACITY];
        text_format(line, OUT_LINE_CAPACITY, L"OUT|%ls|%ls|%ls\r\n", output.label, value_text,
                    output.unit);
        report.append(line);
    }
}

// The result text on one line: CR dropped, LF as a blank, at most 8000
// characters.
void append_flattened(Report& report, const wchar_t* result) {
    wchar_t flat[DETAIL_LINE_LIMIT + 1];
    int count = text_flatten(flat, DETAIL_LINE_LIMIT + 1, result, text_length(result));
    report.append(flat, count);
}

bool write_to_file(const char* bytes, std::size_t count, void* context) {
    return std::fwrite(bytes, 1, count, static_cast<std::FILE*>(context)) == count;
}

}  // namespace

bool build_selftest_report(const ToolDef* tool, wchar_t* report_text, int capacity, int* error_count) {
    *error_count = 0;
    if (report_text == nullptr || capacity < 1) return false;
    Report report{report_text, capacity, 0, false};
    report_text[0] = L'\0';

    // A definition passes its check before it is built into a program: it
    // lists at most MAX_TOOL_VALUES inputs.
    assert(tool->input_count >= 0 && tool->input_count <= MAX_TOOL_VALUES);
    double inputs[MAX_TOOL_VALUES] = {};
    for (int i = 0; i < tool->input_count; ++i) {
        inputs[i] = tool->inputs[i].default_value;
    }
    wchar_t result[RESULT_TEXT_CAPACITY];
    wchar_t verdict[VERDICT_TEXT_CAPACITY];
    wchar_t detail[DETAIL_TEXT_CAPACITY];
    int level = 0;
    evaluate_tool(tool, inputs, result, RESULT_TEXT_CAPACITY, verdict, VERDICT_TEXT_CAPACITY, &level, detail,
                  DETAIL_TEXT_CAPACITY);

    report.append_format(L"TOOL|%d|%ls|%ls\r\n", tool->id, tool->name, tool->category);
    report.append_format(L"LEVEL|%d\r\n", level);

    if (tool->report_kind != 0) {
        report.append(REPORT_OUT_LINE);
    } else {
        append_out_lines(report, tool, inputs, error_count);
    }

    report.append(L"VERDICT|");
    report.append(verdict);
    report.append(L"\r\n");
    report.append(L"DETAIL|");
    append_flattened(report, result);
    report.append(L"\r\n");
    report.append_format(L"ERRORS|%d\r\n", *error_count);
    return !report.cut;
}

bool write_utf8_file(const wchar_t* path, const wchar_t* text) {
    std::FILE* file = open_file(path, "wb");
    if (file == nullptr) return false;
    bool written = write_utf8(text, static_cast<std::size_t>(text_length(text)), write_to_file, file);
    if (std::fflush(file) != 0) written = false;
    if (std::fclose(file) != 0) written = false;
    return written;
}

int run_selftest(const ToolDef* tool, const wchar_t* path) {
    wchar_t report[SELFTEST_REPORT_CAPACITY];
    int error_count = 0;
    bool whole = build_selftest_report(tool, report, SELFTEST_REPORT_CAPACITY, &error_count);
    if (!write_utf8_file(path, report) || !whole) return SELFTEST_NOT_WRITTEN;
    return error_count > 0 ? SELFTEST_FORMULA_FAILED : SELFTEST_PASSED;
}
