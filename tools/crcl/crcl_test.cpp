// Tool 72 as its program uses it: worked examples through evaluate_tool, the
// clearance line and the verdict's level. The expected clearances are worked
// out by hand; the band edges use inputs whose clearance is exactly 15, 30
// or 50 ml/min, and the next creatinine up, just below. A refused field shows
// no clearance and a verdict that names the field.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"
#include "core/tool.h"
#include "tests/ui/typed_fields.h"

TEST(Crcl, WorkedExamplesBandEdgesAndRefusedFields) {
    const struct {
        double scr, age, w, sex;
        const wchar_t* clearance;
        int level;
        const wchar_t* field;  // the field a refusal names
    } cases[] = {
        {110, 70, 75, 1, L"58.7", 0, nullptr},
        {110, 70, 75, 2, L"49.6", 1, nullptr},  // the same woman: below 50
        {122, 90, 100, 1, L"50.4", 0, nullptr},
        {123, 90, 100, 1, L"50.0", 1, nullptr},  // edoxaban's reduced band runs to 50 inclusive
        {124, 90, 100, 1, L"49.6", 1, nullptr},
        {123, 90, 60, 1, L"30.0", 1, nullptr},
        {124, 90, 60, 1, L"29.8", 2, nullptr},
        {246, 90, 60, 1, L"15.0", 2, nullptr},
        {247, 90, 60, 1, L"14.9", 3, nullptr},
        {246.6, 90, 60, 1, L"15.0", 2, nullptr},  // 14.96 is shown and judged as 15.0
        {110, 18, 75, 1, L"102.3", 0, nullptr},   // the youngest age taken
        {260, 65, 50, 2, L"15.0", 2, nullptr},
        {261, 65, 50, 2, L"14.9", 3, nullptr},
        {20, 70, 65, 1, L"279.8", 0, nullptr},  // the lowest creatinine taken
        {110, 70, 75, 3, L"--", 3, L"性别"},
        {110, 70, 75, 0, L"--", 3, L"性别"},
        {0, 70, 75, 1, L"--", 3, L"血清肌酐"},
        {1.2, 70, 75, 1, L"--", 3, L"血清肌酐"},  // mg/dL typed into the µmol/L field
        {19.9, 70, 75, 1, L"--", 3, L"血清肌酐"},
        {110, 70, 0, 1, L"--", 3, L"体重"},
        {110, 0, 75, 1, L"--", 3, L"年龄"},
        {110, 17, 75, 1, L"--", 3, L"年龄"},  // the formula is an adult's
        {110, 140, 75, 1, L"--", 3, L"年龄"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scr " << c.scr << ", age " << c.age << ", w " << c.w << ", sex " << c.sex);
        const Evaluation e = evaluate(get_tool(), {c.scr, c.age, c.w, c.sex});
        EXPECT_EQ(e.first_line(), std::wstring(L"肌酐清除率：") + c.clearance + L" ml/min");
        EXPECT_EQ(e.level, c.level);
        if (c.field) {
            EXPECT_NE(e.verdict.find(c.field), std::wstring::npos) << testing::PrintToString(e.verdict);
        }
    }
}

TEST(Crcl, TheSexIsAChoice) {
    expect_choice_fields(get_tool(), get_tool_choices());
}

// The creatinine in mg/dL, for checking against sources in that unit.
TEST(Crcl, CreatinineInMgPerDlFollows) {
    EXPECT_EQ(evaluate(get_tool(), {110, 70, 75, 1}).result, L"肌酐清除率：58.7 ml/min\r\n血清肌酐：1.24 mg/dL\r\n");
}
