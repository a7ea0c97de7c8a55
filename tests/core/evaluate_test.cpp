// One evaluation: result lines, notice, rules, default verdict and the bounds
// of every text.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"

namespace {

const wchar_t* const LINES_AT_DEFAULTS = L"减量条件数：0 项\r\n阿哌沙班剂量：5.0 mg bid\r\n";
const wchar_t* const NOTICE = L"（部分结果无法计算，请检查输入是否合理）\r\n";

// Tool 51 worked by hand: the count of criteria, the dose and the verdict at
// each band of renal function. Below 15 ml/min no dose stands beside the
// verdict; from 15 to 29 the dose is 2.5 mg whatever the other criteria.
TEST(EvaluateTool51, WorkedExamples) {
    const wchar_t* const STANDARD = L"按标准剂量使用，定期复查肾功能";
    const wchar_t* const REDUCED = L"满足 2 项减量条件，使用低剂量并复查肾功";
    const wchar_t* const SEVERE = L"CrCl 15–29：阿哌沙班 2.5 mg bid，复查肾功能";
    const wchar_t* const CONTRAINDICATED = L"CrCl<15，NOAC 禁用，改用其他抗凝方案";
    const struct {
        double crcl, age, w;
        const wchar_t* criteria;
        const wchar_t* dose;  // "--" with the notice after it: not computed
        const wchar_t* verdict;
        int level;
    } rows[] = {
        {70, 70, 65, L"0", L"5.0", STANDARD, 0},  // the defaults
        {40, 85, 65, L"2", L"2.5", REDUCED, 2},
        {49.9, 80, 60, L"3", L"2.5", REDUCED, 2},  // 49.9 counts, age 80 and weight 60 count
        {50, 79, 60.1, L"0", L"5.0", STANDARD, 0},
        {45, 70, 60.5, L"1", L"5.0", STANDARD, 0},
        {30, 75, 70, L"1", L"5.0", STANDARD, 0},
        {29.9, 70, 65, L"1", L"2.5", SEVERE, 2},
        {28, 75, 70, L"1", L"2.5", SEVERE, 2},   // what tool 72 gives a man of 75, 70 kg, creatinine 200
        {15, 85, 55, L"3", L"2.5", SEVERE, 2},
        {14.9, 70, 65, L"1", L"--", CONTRAINDICATED, 3},
        {10, 85, 55, L"3", L"--", CONTRAINDICATED, 3},  // the first rule decides
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.crcl << ", " << row.age << ", " << row.w);
        Evaluation e = evaluate(get_tool(), {row.crcl, row.age, row.w});
        std::wstring lines = std::wstring(L"减量条件数：") + row.criteria + L" 项\r\n阿哌沙班剂量：" + row.dose +
                             L" mg bid\r\n";
        if (std::wstring(row.dose) == L"--") lines += NOTICE;
        EXPECT_EQ(e.result, lines);
        EXPECT_EQ(e.verdict, row.verdict);
        EXPECT_EQ(e.level, row.level);
        EXPECT_EQ(e.returned, row.level);
        EXPECT_EQ(e.detail, e.result);
    }
    EXPECT_EQ(evaluate(get_tool(), {70, 70, 65}).result, LINES_AT_DEFAULTS);
}

// A test-local tool: each output and rule picks one behaviour.
const ToolInput test_inputs[] = {{"a", L"甲", L"u", 1.0}, {"b", L"乙", nullptr, 2.0}};

ToolDef make_tool(const ToolOutput* outputs, int output_count, const ToolRule* rules, int rule_count) {
    return ToolDef{99, L"测试", nullptr, L"类", L"依据", nullptr, 2, test_inputs, output_count, outputs,
                   rule_count, rules, 0};
}

TEST(EvaluateTool, FailingOutputsKeepTheirLinesAndAddOneNotice) {
    const ToolOutput outputs[] = {
        {"empty", L"空", L"", "", "f0"},
        {"nan", L"非数", L"mg", "pow(-8, 0.5)", "f1"},
        {"inf", L"无穷", nullptr, "exp(1000)", "f2"},
        {"partial", L"部分", nullptr, "5+1/0", "f0"},
        {"good", L"好", L"次", "a+b", "int"},
    };
    ToolDef tool = make_tool(outputs, 5, nullptr, 0);
    Evaluation e = evaluate(&tool, {1, 2});
    EXPECT_EQ(e.result, std::wstring(L"空：0\r\n非数：-- mg\r\n无穷：--\r\n部分：5\r\n好：3 次\r\n") + NOTICE);
    EXPECT_EQ(e.verdict, DEFAULT_VERDICT_TEXT);
    EXPECT_EQ(std::wstring(DEFAULT_VERDICT_TEXT), L"请核对输入参数后重新计算");
    EXPECT_EQ(e.level, 0);
}

TEST(EvaluateTool, OutputsSeeEarlierOutputsAndZeroForLaterOnes) {
    const ToolOutput outputs[] = {
        {"x", L"x", nullptr, "a*10 + y", "f0"},  // y is computed later: reads 0
        {"y", L"y", nullptr, "x+1", "f0"},
        {"z", L"z", nullptr, "z+1", "f0"},       // itself: reads 0
    };
    ToolDef tool = make_tool(outputs, 3, nullptr, 0);
    EXPECT_EQ(evaluate(&tool, {3, 0}).result, L"x：30\r\ny：31\r\nz：1\r\n");
}

TEST(EvaluateTool, Rules) {
    const ToolOutput outputs[] = {{"sum", L"和", nullptr, "a+b", "f0"}};
    const ToolRule rules[] = {
        {"1/0 + 5", 3, L"错误的条件不成立"},   // error flag with a non-zero value: skipped
        {"nosuch", 3, L"未知名字"},
        {"sum > 10", 2, L"和大于十"},           // names an output
        {"a", 1, L""},                          // holds with an empty message
        {"", 0, L"默认"},
    };
    ToolDef tool = make_tool(outputs, 1, rules, 5);
    Evaluation big = evaluate(&tool, {6, 5});
    EXPECT_EQ(big.verdict, L"和大于十");
    EXPECT_EQ(big.level, 2);
    // The deciding rule's message is empty: the default text, with the rule's level.
    Evaluation empty_message = evaluate(&tool, {1, 0});
    EXPECT_EQ(empty_message.verdict, DEFAULT_VERDICT_TEXT);
    EXPECT_EQ(empty_message.level, 1);
    // -0.0 does not hold; the default rule decides.
    Evaluation negative_zero = evaluate(&tool, {-0.0, 0});
    EXPECT_EQ(negative_zero.verdict, L"默认");
    EXPECT_EQ(negative_zero.level, 0);
    // NaN holds.
    const ToolRule nan_rule[] = {{"pow(-8,0.5) ? 1 : 0", 3, L"成立"}};
    ToolDef nan_tool = make_tool(outputs, 1, nan_rule, 1);
    EXPECT_EQ(evaluate(&nan_tool, {0, 0}).level, 3);
}

TEST(EvaluateTool, NoRulesOrNoneHolding) {
    const ToolOutput outputs[] = {{"sum", L"和", nullptr, "a+b", "f0"}};
    ToolDef no_rules = make_tool(outputs, 1, nullptr, 0);
    Evaluation e = evaluate(&no_rules, {1, 1});
    EXPECT_EQ(e.verdict, DEFAULT_VERDICT_TEXT);
    EXPECT_EQ(e.level, 0);
    const ToolRule failing[] = {{"a > 100", 3, L"大"}, {"sqrt(-1)", 2, L"坏"}};
    ToolDef none_hold = make_tool(outputs, 1, failing, 2);
    EXPECT_EQ(evaluate(&none_hold, {1, 1}).verdict, DEFAULT_VERDICT_TEXT);
}

TEST(EvaluateTool, NoOutputsStillTriesRulesOverTheInputs) {
    const ToolRule rules[] = {{"a > b", 1, L"甲大"}, {"", 0, L"否"}};
    ToolDef tool = make_tool(nullptr, 0, rules, 2);
    Evaluation e = evaluate(&tool, {3, 2});
    EXPECT_EQ(e.result, L"");
    EXPECT_EQ(e.detail, L"");
    EXPECT_EQ(e.verdict, L"甲大");
    EXPECT_EQ(e.level, 1);
}

TEST(EvaluateTool, SmallResultCapacityCutsLinesAndLosesTheNotice) {
    const ToolOutput outputs[] = {{"a1", L"一", nullptr, "1", "f0"}, {"bad", L"二", nullptr, "", "f0"}};
    ToolDef tool = make_tool(outputs, 2, nullptr, 0);
    Evaluation full = evaluate(&tool, {0, 0});
    EXPECT_EQ(full.result, std::wstring(L"一：1\r\n二：0\r\n") + NOTICE);
    Evaluation cut = evaluate(&tool, {0, 0}, 8);
    EXPECT_EQ(cut.result, L"一：1\r\n二："); // 7 characters, the second line in part, no notice
    EXPECT_EQ(cut.detail, cut.result);
    Evaluation short_detail = evaluate(&tool, {0, 0}, 4096, 512, 4);
    EXPECT_EQ(short_detail.detail, L"一：1");
}

TEST(EvaluateTool, VerdictCapacityBoundsEveryVerdict) {
    static wchar_t result[64], verdict[16], detail[64];
    double inputs[MAX_TOOL_VALUES] = {70, 70, 65};
    int level = -1;
    for (int capacity : {1, 5, 12, 13}) {
        for (wchar_t& c : verdict) c = L'#';
        evaluate_tool(get_tool(), inputs, result, 64, verdict, capacity, &level, detail, 64);
        EXPECT_EQ(std::wstring(verdict), std::wstring(L"按标准剂量使用，定期复查肾功能").substr(0, capacity - 1));
        EXPECT_EQ(verdict[capacity], L'#') << capacity;
    }
    // The default verdict too, even below the 13 characters it needs.
    const ToolOutput outputs[] = {{"x", L"x", nullptr, "1", "f0"}};
    ToolDef tool = make_tool(outputs, 1, nullptr, 0);
    for (int capacity : {1, 6, 13}) {
        for (wchar_t& c : verdict) c = L'#';
        evaluate_tool(&tool, inputs, result, 64, verdict, capacity, &level, detail, 64);
        EXPECT_EQ(std::wstring(verdict), std::wstring(DEFAULT_VERDICT_TEXT).substr(0, capacity - 1));
        EXPECT_EQ(verdict[capacity], L'#') << capacity;
    }
}

TEST(EvaluateTool, LongLinesAreCutTo255Characters) {
    std::wstring label(300, L'长');
    const ToolOutput outputs[] = {{"x", label.c_str(), nullptr, "1", "f0"}};
    ToolDef tool = make_tool(outputs, 1, nullptr, 0);
    Evaluation e = evaluate(&tool, {0, 0});
    EXPECT_EQ(e.result, label.substr(0, 255));
}

}  // namespace
