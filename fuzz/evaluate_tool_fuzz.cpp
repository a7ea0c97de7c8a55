// evaluate_tool, the one computing step: the catalogued tool at arbitrary
// input values (what a user types), and tools of fuzzed formulas, format
// codes and rule conditions; capacities from 1 up.
//
// Properties:
//   - every text is terminated within its capacity, nothing past it changes;
//     a text at a small capacity is the first capacity - 1 characters of the
//     text at full capacity; the detail text is the result text cut to its
//     own capacity; the level is returned and stored alike;
//   - tool 51 decides as its dosing rule says, computed here independently:
//     CrCl below 15 contraindicates (level 3) with no dose (its line shows
//     "--", then the notice); CrCl 15 to 29 gives 2.5 mg (level 2); otherwise
//     two or more of CrCl below 50, age 80 or more and weight 60 kg or less
//     give the reduced dose 2.5 mg (level 2), fewer the standard dose 5.0 mg
//     (level 0), with exactly the two result lines and no notice;
//   - for any tool: the notice of incomplete results is there exactly when an
//     output formula fails; the level and verdict are those of the first rule
//     whose condition holds without error, else level 0 and the default text.

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/evaluate.h"
#include "core/format.h"
#include "expr/expr.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr int FULL = 2048;
const wchar_t NOTICE[] = L"（部分结果无法计算，请检查输入是否合理）\r\n";

struct Outcome {
    std::wstring result, verdict, detail;
    int level;
};

Outcome evaluate(const ToolDef* tool, const double* values, int rc, int vc, int dc) {
    GuardedText result(rc), verdict(vc), detail(dc);
    int stored = -99;
    const int level = evaluate_tool(tool, values, result.data(), rc, verdict.data(), vc, &stored,
                                    detail.data(), dc);
    FUZZ_CHECK(level == stored);
    return {result.text(), verdict.text(), detail.text(), level};
}

// Runs the tool at full capacities and at the given ones, checks what must
// hold between the two, and returns the full outcome.
Outcome evaluate_checked(const ToolDef* tool, const double* values, int rc, int vc, int dc) {
    const Outcome full = evaluate(tool, values, FULL, 512, FULL);
    FUZZ_CHECK(full.detail == full.result);
    FUZZ_CHECK(static_cast<int>(full.result.size()) < FULL - 1);
    const Outcome small = evaluate(tool, values, rc, vc, dc);
    FUZZ_CHECK(small.level == full.level);
    FUZZ_CHECK(small.result == cut_to(full.result, rc));
    FUZZ_CHECK(small.verdict == cut_to(full.verdict, vc));
    FUZZ_CHECK(small.detail == cut_to(small.result, dc));
    return full;
}

double input_value(FuzzInput& in) {
    const std::uint8_t mode = in.byte();
    if (mode < 160) return static_cast<double>(in.u16() % 200) + (mode & 1 ? 0.5 : 0.0) - (mode & 2 ? 0.25 : 0.0);
    if (mode < 200) {
        static const double EDGES[] = {15.0, 14.999999999999998, 30.0, 29.999999999999996, 50.0,
                                       49.99999999999999, 80.0, 79.99999999999999,
                                       60.0, 60.00000000000001, 0.0, -0.0, -1.0, 1e308, NAN, INFINITY, -INFINITY};
        return EDGES[in.byte() % (sizeof EDGES / sizeof EDGES[0])];
    }
    return in.f64();
}

void check_tool51(FuzzInput& in, int rc, int vc, int dc) {
    double values[MAX_TOOL_VALUES] = {};
    const double crcl = values[0] = input_value(in);
    const double age = values[1] = input_value(in);
    const double w = values[2] = input_value(in);
    const Outcome out = evaluate_checked(get_tool(), values, rc, vc, dc);

    const int criteria = (crcl < 50 ? 1 : 0) + (age >= 80 ? 1 : 0) + (w <= 60 ? 1 : 0);
    const wchar_t* dose = crcl < 15 ? L"--" : crcl < 30 || criteria >= 2 ? L"2.5" : L"5.0";
    const std::wstring expected_result = L"减量条件数：" + std::to_wstring(criteria) + L" 项\r\n阿哌沙班剂量：" +
                                         dose + L" mg bid\r\n" + (crcl < 15 ? NOTICE : L"");
    FUZZ_CHECK(out.result == expected_result);
    if (crcl < 15) {
        FUZZ_CHECK(out.level == 3 && out.verdict == L"CrCl<15，NOAC 禁用，改用其他抗凝方案");
    } else if (crcl < 30) {
        FUZZ_CHECK(out.level == 2 && out.verdict == L"CrCl 15–29：阿哌沙班 2.5 mg bid，复查肾功能");
    } else if (criteria >= 2) {
        FUZZ_CHECK(out.level == 2 && out.verdict == L"满足 2 项减量条件，使用低剂量并复查肾功");
    } else {
        FUZZ_CHECK(out.level == 0 && out.verdict == L"按标准剂量使用，定期复查肾功能");
    }
}

void check_any_tool(FuzzInput& in, int rc, int vc, int dc) {
    static const char* const CODES[] = {"f0", "f1", "f2", "f3", "int", "pct", "date", nullptr, "F0"};
    const int output_count = in.byte() % 4;
    const int rule_count = in.byte() % 4;
    double values[MAX_TOOL_VALUES] = {};
    for (int i = 0; i < 3; ++i) values[i] = input_value(in);
    int levels[4];
    for (int& level : levels) level = static_cast<int>(in.byte() % 5) - 1;
    const char* codes[4];
    for (const char*& code : codes) code = CODES[in.byte() % 9];

    // The formulas, then the conditions, separated by newlines in the rest.
    std::vector<std::string> texts(1);
    for (char c : in.rest_text()) {
        if (c == '\n') {
            texts.emplace_back();
        } else {
            texts.back() += c;
        }
    }
    texts.resize(static_cast<std::size_t>(output_count + rule_count));

    static const ToolInput INPUTS[] = {{"crcl", L"", L"", 0}, {"age", L"", L"", 0}, {"w", L"", L"", 0}};
    static const char* const OUTPUT_KEYS[] = {"a", "b", "c"};
    static const wchar_t* const UNITS[] = {L"mg", nullptr, L""};
    static const wchar_t* const MESSAGES[] = {L"一", L"", L"三三三三三三三三三三三三三三三三三三三三三三三三三三三三三三"};
    ToolOutput outputs[3];
    ToolRule rules[3];
    for (int i = 0; i < output_count; ++i) {
        outputs[i] = {OUTPUT_KEYS[i], L"值", UNITS[i], texts[static_cast<std::size_t>(i)].c_str(), codes[i]};
    }
    for (int i = 0; i < rule_count; ++i) {
        rules[i] = {texts[static_cast<std::size_t>(output_count + i)].c_str(), levels[i], MESSAGES[i]};
    }
    const ToolDef tool = {7, L"T", nullptr, L"", L"", nullptr, 3, INPUTS, output_count, outputs,
                          rule_count, rules, 0};
    const Outcome out = evaluate_checked(&tool, values, rc, vc, dc);

    // The outputs in order, each seeing those before it; then the lines.
    double slots[MAX_TOOL_VALUES] = {};
    bool failed = false;
    std::wstring expected;
    for (int i = 0; i < output_count; ++i) {
        int flag = 0;
        slots[i] = eval_expr(&tool, outputs[i].expr, values, slots, &flag);
        failed = failed || flag != 0;
    }
    for (int i = 0; i < output_count; ++i) {
        wchar_t value[128];
        format_value(outputs[i].format, slots[i], value, 128);
        std::wstring line = std::wstring(L"值：") + value;
        if (UNITS[i] != nullptr && UNITS[i][0] != L'\0') line += std::wstring(L" ") + UNITS[i];
        expected += line + L"\r\n";
    }
    if (failed) expected += NOTICE;
    FUZZ_CHECK(out.result == expected);

    int level = 0;
    std::wstring verdict;
    for (int i = 0; i < rule_count; ++i) {
        int flag = 0;
        const double v = rules[i].condition[0] == '\0' ? 1.0 : eval_expr(&tool, rules[i].condition, values, slots, &flag);
        if (flag == 0 && v != 0.0) {
            level = rules[i].level;
            verdict = rules[i].message;
            break;
        }
    }
    if (verdict.empty()) verdict = DEFAULT_VERDICT_TEXT;
    FUZZ_CHECK(out.level == level);
    FUZZ_CHECK(out.verdict == verdict);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 2048) return 0;
    FuzzInput in(data, size);
    const bool catalogued = (in.byte() & 1) == 0;
    const int rc = in.capacity(300);
    const int vc = in.capacity(40);
    const int dc = in.capacity(300);
    if (catalogued) {
        check_tool51(in, rc, vc, dc);
    } else {
        check_any_tool(in, rc, vc, dc);
    }
    return 0;
}
