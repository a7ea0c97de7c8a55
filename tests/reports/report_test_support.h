#pragma once
// Test-local report tools: a ToolDef with the given keyed inputs, and one run
// of dispatch_report captured as owned texts.

#include <initializer_list>
#include <string>
#include <vector>

#include "core/tool.h"
#include "reports/reports.h"

struct Param {
    const char* key;
    double value;
};

// A report tool of the given kind whose inputs are the given parameters, in
// order. values always holds MAX_TOOL_VALUES doubles, like the callers' arrays.
class ReportTool {
public:
    explicit ReportTool(int kind, std::initializer_list<Param> params = {}) { init(kind, params); }
    ReportTool(int kind, const std::vector<Param>& params) { init(kind, params); }
    ReportTool(const ReportTool&) = delete;
    ReportTool& operator=(const ReportTool&) = delete;

    ToolDef def;
    double values[MAX_TOOL_VALUES] = {};

private:
    template <typename Params>
    void init(int kind, const Params& params) {
        int n = 0;
        for (const Param& p : params) {
            inputs_[n] = ToolInput{p.key, L"参数", L"", p.value};
            values[n] = p.value;
            ++n;
        }
        def = ToolDef{9001, L"报告", nullptr, L"测试", L"", nullptr, n, inputs_, 0, nullptr, 0, nullptr, kind};
    }

    ToolInput inputs_[MAX_TOOL_VALUES] = {};
};

struct ReportRun {
    std::wstring report;
    std::wstring verdict;
    int level;
};

// Runs dispatch_report for the tool's kind with the given report capacity
// (the self-test's 8192 unless told) and a 512-character verdict.
inline ReportRun run_report(const ReportTool& tool, int report_capacity = 8192) {
    static wchar_t report[16384];
    static wchar_t verdict[512];
    int level = dispatch_report(tool.def.report_kind, &tool.def, tool.values, report, report_capacity,
                                verdict, 512);
    return ReportRun{report, verdict, level};
}

inline ReportRun run_report(int kind, std::initializer_list<Param> params = {}, int report_capacity = 8192) {
    ReportTool tool(kind, params);
    return run_report(tool, report_capacity);
}

// The lines joined, each ended by CR LF.
inline std::wstring lines(std::initializer_list<std::wstring> texts) {
    std::wstring all;
    for (const std::wstring& text : texts) all += text + L"\r\n";
    return all;
}

// How often needle occurs in haystack.
inline int count_of(const std::wstring& haystack, const std::wstring& needle) {
    int count = 0;
    for (std::size_t at = haystack.find(needle); at != std::wstring::npos; at = haystack.find(needle, at + 1)) {
        ++count;
    }
    return count;
}
