// Tool 78 as its program uses it: worked examples through evaluate_tool at
// each edge of the guide's clearance bands for both drug groups and both
// bleeding risks, the hours line, the verdict's level and its opening. A
// refused field or a clearance the guide gives no time for shows no hours.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"
#include "core/tool.h"
#include "tests/ui/typed_fields.h"

TEST(NoacStop, GuideTableEdgesAndRefusedFields) {
    const struct {
        double drug, crcl, risk;  // drug 1 dabigatran, 2 a factor Xa inhibitor; risk 1 low, 2 high
        const wchar_t* hours;
        int level;
        const wchar_t* verdict;  // a part of the verdict
    } cases[] = {
        {2, 70, 1, L"24", 1, L"至少 24 小时，无需肝素桥接"},
        {1, 45, 2, L"96", 1, L"至少 96 小时，无需肝素桥接"},
        {1, 80, 1, L"24", 1, L"至少 24 小时"},
        {1, 79.9, 1, L"36", 1, L"至少 36 小时"},
        {1, 50, 1, L"36", 1, L"至少 36 小时"},
        {1, 49.9, 1, L"48", 1, L"至少 48 小时"},
        {1, 30, 1, L"48", 1, L"至少 48 小时"},
        {1, 80, 2, L"48", 1, L"至少 48 小时"},
        {1, 79.9, 2, L"72", 1, L"至少 72 小时"},
        {1, 50, 2, L"72", 1, L"至少 72 小时"},
        {1, 49.9, 2, L"96", 1, L"至少 96 小时"},
        {1, 30, 2, L"96", 1, L"至少 96 小时"},
        {1, 29.9, 1, L"--", 3, L"达比加群无适应证"},
        {1, 15, 1, L"--", 3, L"达比加群无适应证"},
        {1, 14.9, 2, L"--", 3, L"无正式适应证"},
        {2, 79.9, 1, L"24", 1, L"至少 24 小时"},
        {2, 30, 1, L"24", 1, L"至少 24 小时"},
        {2, 29.9, 1, L"36", 1, L"至少 36 小时"},
        {2, 15, 1, L"36", 1, L"至少 36 小时"},
        {2, 29.9, 2, L"48", 1, L"至少 48 小时"},
        {2, 15, 2, L"48", 1, L"至少 48 小时"},
        {2, 14.9, 1, L"--", 3, L"无正式适应证"},
        {0, 70, 1, L"--", 3, L"药物"},
        {3, 70, 1, L"--", 3, L"药物"},
        {1.5, 70, 1, L"--", 3, L"药物"},
        {2, 0, 1, L"--", 3, L"肌酐清除率"},
        {2, 70, 0, L"--", 3, L"出血风险"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "drug " << c.drug << ", crcl " << c.crcl << ", risk " << c.risk);
        const Evaluation e = evaluate(get_tool(), {c.drug, c.crcl, c.risk});
        EXPECT_EQ(e.first_line(), std::wstring(L"末次服药距手术：") + c.hours + L" 小时");
        EXPECT_EQ(e.level, c.level);
        EXPECT_NE(e.verdict.find(c.verdict), std::wstring::npos) << testing::PrintToString(e.verdict);
    }
}

TEST(NoacStop, ChoiceFieldsTakeOnlyTheirNumbers) {
    expect_choice_fields(get_tool(), get_tool_choices());
}
