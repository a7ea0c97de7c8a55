// Tool 73 as its program uses it: worked examples through evaluate_tool, the
// two score lines and the verdict's level. The scores are counted by hand. A
// refused field shows no score and a verdict that names the field.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"
#include "core/tool.h"
#include "tests/ui/typed_fields.h"

TEST(ChadsVasc, WorkedExamplesAndRefusedFields) {
    const struct {
        double inputs[7];  // age, sex (1 man, 2 woman), chf, htn, dm, stroke, vasc
        const wchar_t* score;
        const wchar_t* score_va;
        int level;
        const wchar_t* field;  // the field a refusal names
    } cases[] = {
        {{76, 2, 0, 1, 0, 0, 1}, L"5", L"4", 2, nullptr},  // hypertension and a prior myocardial infarction
        {{65, 1, 0, 0, 0, 0, 0}, L"1", L"1", 1, nullptr},
        {{64, 1, 0, 0, 0, 0, 0}, L"0", L"0", 0, nullptr},
        {{64, 2, 0, 0, 0, 0, 0}, L"1", L"0", 0, nullptr},  // the sex point alone
        {{65, 2, 0, 0, 0, 0, 0}, L"2", L"1", 1, nullptr},
        {{74, 1, 0, 1, 0, 0, 0}, L"2", L"2", 2, nullptr},
        {{74, 2, 0, 1, 0, 0, 0}, L"3", L"2", 2, nullptr},
        {{75, 1, 0, 0, 0, 0, 0}, L"2", L"2", 2, nullptr},
        {{50, 1, 0, 0, 0, 1, 0}, L"2", L"2", 2, nullptr},  // prior stroke counts two
        {{80, 2, 1, 1, 1, 1, 1}, L"9", L"8", 2, nullptr},
        {{70, 1, 0, 2, 0, 0, 0}, L"--", L"--", 3, L"高血压"},
        {{70, 1, 2, 0, 0, 0, 0}, L"--", L"--", 3, L"心衰"},
        {{70, 1, 0, 0, 0.5, 0, 0}, L"--", L"--", 3, L"糖尿病"},
        {{70, 1, 0, 0, 0, 2, 0}, L"--", L"--", 3, L"卒中"},
        {{70, 1, 0, 0, 0, 0, -1}, L"--", L"--", 3, L"血管疾病"},
        {{70, 3, 0, 0, 0, 0, 0}, L"--", L"--", 3, L"性别"},
        {{0, 1, 0, 0, 0, 0, 0}, L"--", L"--", 3, L"年龄"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.inputs));
        const Evaluation e = evaluate(get_tool(), c.inputs);
        EXPECT_EQ(e.result.substr(0, e.result.find(L"（部分")),
                  std::wstring(L"CHA₂DS₂-VASc：") + c.score + L" 分\r\nCHA₂DS₂-VA（不计性别）：" + c.score_va + L" 分\r\n");
        EXPECT_EQ(e.level, c.level);
        if (c.field) {
            EXPECT_NE(e.verdict.find(c.field), std::wstring::npos) << testing::PrintToString(e.verdict);
        }
    }
}

TEST(ChadsVasc, YesNoFieldsTakeOnlyOneOrZero) {
    expect_choice_fields(get_tool(), get_tool_choices());
}
