// Tool 76 as its program uses it: worked examples through evaluate_tool at
// the edges of the clearance and age bands and with each co-medication
// alone, the dose line, the verdict's level and a word of the verdict. A
// refused field shows no dose and a verdict that names the field.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"
#include "core/tool.h"
#include "tests/ui/typed_fields.h"

TEST(Dabigatran, WorkedExamplesBandEdgesAndRefusedFields) {
    const struct {
        double inputs[5];  // crcl, age, verapamil, inhibitor, bleed
        const wchar_t* dose;
        int level;
        const wchar_t* verdict;  // a part of the verdict
    } cases[] = {
        {{70, 70, 0, 0, 0}, L"150", 0, L"推荐 150 mg"},
        {{64.6, 65, 1, 0, 0}, L"110", 2, L"维拉帕米"},
        {{70, 74, 0, 0, 0}, L"150", 0, L"推荐 150 mg"},
        {{70, 75, 0, 0, 0}, L"150", 1, L"考虑 110 mg"},
        {{70, 79, 0, 0, 0}, L"150", 1, L"考虑 110 mg"},
        {{70, 80, 0, 0, 0}, L"110", 2, L"≥80 岁"},
        {{50.1, 70, 0, 0, 0}, L"150", 0, L"推荐 150 mg"},
        {{50, 70, 0, 0, 0}, L"150", 1, L"考虑 110 mg"},
        {{49.9, 70, 0, 0, 0}, L"150", 1, L"考虑 110 mg"},
        {{30, 70, 0, 0, 0}, L"150", 1, L"考虑 110 mg"},
        {{29.9, 70, 0, 0, 0}, L"--", 3, L"禁用"},
        {{15, 85, 1, 0, 0}, L"--", 3, L"CrCl <30"},  // the clearance decides before age and verapamil
        {{70, 70, 0, 1, 0}, L"--", 3, L"P-gp"},
        {{70, 85, 1, 1, 0}, L"--", 3, L"P-gp"},
        {{70, 70, 0, 0, 1}, L"150", 1, L"考虑 110 mg"},
        {{0, 70, 0, 0, 0}, L"--", 3, L"肌酐清除率"},
        {{70, 17, 0, 0, 0}, L"--", 3, L"年龄"},
        {{70, 70, 2, 0, 0}, L"--", 3, L"维拉帕米"},
        {{70, 70, 0, 0.5, 0}, L"--", 3, L"P-gp"},
        {{70, 70, 0, 0, -1}, L"--", 3, L"出血风险"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.inputs));
        const Evaluation e = evaluate(get_tool(), c.inputs);
        EXPECT_EQ(e.first_line(), std::wstring(L"达比加群剂量：") + c.dose + L" mg bid");
        EXPECT_EQ(e.level, c.level);
        EXPECT_NE(e.verdict.find(c.verdict), std::wstring::npos) << testing::PrintToString(e.verdict);
    }
}

TEST(Dabigatran, ChoiceFieldsTakeOnlyTheirNumbers) {
    expect_choice_fields(get_tool(), get_tool_choices());
}
