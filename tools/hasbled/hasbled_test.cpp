// Tool 74 as its program uses it: worked examples through evaluate_tool, the
// score line and the verdict's level. The scores are counted by hand. A
// refused field shows no score and a verdict that names the field.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"
#include "core/tool.h"
#include "tests/ui/typed_fields.h"

TEST(HasBled, WorkedExamplesAndRefusedFields) {
    const struct {
        double inputs[9];  // age, sbp, renal, liver, stroke, bleed, inr, drugs, alcohol
        const wchar_t* score;
        int level;
        const wchar_t* field;  // the field a refusal names
    } cases[] = {
        {{66, 0, 0, 0, 0, 0, 0, 1, 1}, L"3", 2, nullptr},  // NSAIDs and alcohol
        {{65, 0, 0, 0, 0, 0, 0, 1, 1}, L"2", 0, nullptr},  // 65 years give no point
        {{50, 0, 1, 1, 0, 0, 0, 0, 0}, L"2", 0, nullptr},
        {{50, 0, 1, 1, 1, 0, 0, 0, 0}, L"3", 2, nullptr},
        {{50, 1, 0, 0, 0, 1, 1, 0, 0}, L"3", 2, nullptr},
        {{80, 1, 1, 1, 1, 1, 1, 1, 1}, L"9", 2, nullptr},
        {{70, 2, 0, 0, 0, 0, 0, 0, 0}, L"--", 3, L"高血压"},
        {{70, 0, 2, 0, 0, 0, 0, 0, 0}, L"--", 3, L"肾功能"},
        {{70, 0, 0, -1, 0, 0, 0, 0, 0}, L"--", 3, L"肝功能"},
        {{70, 0, 0, 0, 2, 0, 0, 0, 0}, L"--", 3, L"卒中"},
        {{70, 0, 0, 0, 0, 3, 0, 0, 0}, L"--", 3, L"出血"},
        {{70, 0, 0, 0, 0, 0, 2, 0, 0}, L"--", 3, L"INR"},
        {{70, 0, 0, 0, 0, 0, 0, 0.5, 0}, L"--", 3, L"抗血小板"},
        {{70, 0, 0, 0, 0, 0, 0, 0, 2}, L"--", 3, L"饮酒"},
        {{0, 0, 0, 0, 0, 0, 0, 1, 1}, L"--", 3, L"年龄"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.inputs));
        const Evaluation e = evaluate(get_tool(), c.inputs);
        EXPECT_EQ(e.first_line(), std::wstring(L"HAS-BLED：") + c.score + L" 分");
        EXPECT_EQ(e.level, c.level);
        if (c.field) {
            EXPECT_NE(e.verdict.find(c.field), std::wstring::npos) << testing::PrintToString(e.verdict);
        }
    }
}

TEST(HasBled, YesNoFieldsTakeOnlyOneOrZero) {
    expect_choice_fields(get_tool(), get_tool_choices());
}
