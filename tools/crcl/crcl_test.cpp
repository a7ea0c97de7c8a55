// Tool 72 as its program uses it: worked examples through evaluate_tool, the
// clearance line and the verdict's level. The expected clearances are worked
// out by hand; the band edges use inputs whose clearance is exactly 15, 30
// or 50 ml/min, and the next creatinine up, just below.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "core/tool.h"

namespace {

struct Outcome {
    int level;
    std::wstring result;
    std::wstring verdict;
};

Outcome evaluate(double scr, double age, double w, double sex) {
    const double inputs[MAX_TOOL_VALUES] = {scr, age, w, sex};
    static wchar_t result[4096], verdict[512], detail[8192];
    int level = -1;
    evaluate_tool(get_tool(), inputs, result, 4096, verdict, 512, &level, detail, 8192);
    return Outcome{level, result, verdict};
}

std::wstring first_line(const std::wstring& text) {
    return text.substr(0, text.find(L"\r\n"));
}

TEST(Crcl, WorkedExamplesAndBandEdges) {
    const struct {
        double scr, age, w, sex;
        const wchar_t* clearance;
        int level;
    } cases[] = {
        {110, 70, 75, 1, L"58.7", 0},
        {110, 70, 75, 2, L"49.6", 1},  // the same woman: below 50
        {123, 90, 100, 1, L"50.0", 0},
        {124, 90, 100, 1, L"49.6", 1},
        {123, 90, 60, 1, L"30.0", 1},
        {124, 90, 60, 1, L"29.8", 2},
        {246, 90, 60, 1, L"15.0", 2},
        {247, 90, 60, 1, L"14.9", 3},
        {260, 65, 50, 2, L"15.0", 2},
        {261, 65, 50, 2, L"14.9", 3},
        {20, 70, 65, 1, L"279.8", 0},  // the lowest creatinine taken
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scr " << c.scr << ", age " << c.age << ", w " << c.w << ", sex " << c.sex);
        const Outcome o = evaluate(c.scr, c.age, c.w, c.sex);
        EXPECT_EQ(first_line(o.result), std::wstring(L"肌酐清除率：") + c.clearance + L" ml/min");
        EXPECT_EQ(o.level, c.level);
        EXPECT_EQ(o.result.find(L"部分结果无法计算"), std::wstring::npos);
    }
}

TEST(Crcl, CreatinineInMgPerDlIsShownForChecking) {
    EXPECT_EQ(evaluate(110, 70, 75, 1).result, L"肌酐清除率：58.7 ml/min\r\n血清肌酐：1.24 mg/dL\r\n");
}

// A refused field gives no clearance and a red verdict naming the field.
TEST(Crcl, InvalidFieldsAreRefusedByName) {
    const struct {
        double scr, age, w, sex;
        const wchar_t* field;
    } cases[] = {
        {110, 70, 75, 3, L"性别"},
        {110, 70, 75, 0, L"性别"},
        {0, 70, 75, 1, L"血清肌酐"},
        {-80, 70, 75, 1, L"血清肌酐"},
        {1.2, 70, 75, 1, L"血清肌酐"},  // mg/dL typed into the µmol/L field
        {19.9, 70, 75, 1, L"血清肌酐"},
        {110, 70, 0, 1, L"体重"},
        {110, 0, 75, 1, L"年龄"},
        {110, 140, 75, 1, L"年龄"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scr " << c.scr << ", age " << c.age << ", w " << c.w << ", sex " << c.sex);
        const Outcome o = evaluate(c.scr, c.age, c.w, c.sex);
        EXPECT_EQ(o.level, 3);
        EXPECT_NE(o.verdict.find(c.field), std::wstring::npos) << "verdict: " << testing::PrintToString(o.verdict);
        EXPECT_EQ(first_line(o.result), L"肌酐清除率：-- ml/min");
    }
}

}  // namespace
