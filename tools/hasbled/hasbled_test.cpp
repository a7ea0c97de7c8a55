// Tool 74 as its program uses it: worked examples through evaluate_tool, the
// score line and the verdict's level. The scores are counted by hand.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/evaluate.h"
#include "core/tool.h"

namespace {

// age, then the yes/no fields: sbp, renal, liver, stroke, bleed, inr, drugs, alcohol
using Patient = std::vector<double>;

struct Outcome {
    int level;
    std::wstring result;
    std::wstring verdict;
};

Outcome evaluate(const Patient& p) {
    double inputs[MAX_TOOL_VALUES] = {};
    for (size_t i = 0; i < p.size(); ++i) {
        inputs[i] = p[i];
    }
    static wchar_t result[4096], verdict[512], detail[8192];
    int level = -1;
    evaluate_tool(get_tool(), inputs, result, 4096, verdict, 512, &level, detail, 8192);
    return Outcome{level, result, verdict};
}

TEST(HasBled, WorkedExamples) {
    const struct {
        Patient patient;
        const wchar_t* score;
        int level;
    } cases[] = {
        {{66, 0, 0, 0, 0, 0, 0, 1, 1}, L"3", 2},  // NSAIDs and alcohol
        {{65, 0, 0, 0, 0, 0, 0, 1, 1}, L"2", 0},  // 65 years give no point
        {{70, 0, 0, 0, 0, 0, 0, 0, 0}, L"1", 0},
        {{50, 0, 1, 1, 0, 0, 0, 0, 0}, L"2", 0},
        {{50, 0, 1, 1, 1, 0, 0, 0, 0}, L"3", 2},
        {{50, 1, 0, 0, 0, 1, 1, 0, 0}, L"3", 2},
        {{80, 1, 1, 1, 1, 1, 1, 1, 1}, L"9", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.patient));
        const Outcome o = evaluate(c.patient);
        EXPECT_EQ(o.result, std::wstring(L"HAS-BLED：") + c.score + L" 分\r\n");
        EXPECT_EQ(o.level, c.level);
    }
}

// A refused field gives no score and a red verdict naming the field.
TEST(HasBled, InvalidFieldsAreRefusedByName) {
    const struct {
        Patient patient;
        const wchar_t* field;
    } cases[] = {
        {{70, 2, 0, 0, 0, 0, 0, 0, 0}, L"高血压"},
        {{70, 0, 2, 0, 0, 0, 0, 0, 0}, L"肾功能"},
        {{70, 0, 0, -1, 0, 0, 0, 0, 0}, L"肝功能"},
        {{70, 0, 0, 0, 2, 0, 0, 0, 0}, L"卒中"},
        {{70, 0, 0, 0, 0, 3, 0, 0, 0}, L"出血"},
        {{70, 0, 0, 0, 0, 0, 2, 0, 0}, L"INR"},
        {{70, 0, 0, 0, 0, 0, 0, 0.5, 0}, L"抗血小板"},
        {{70, 0, 0, 0, 0, 0, 0, 0, 2}, L"饮酒"},
        {{0, 0, 0, 0, 0, 0, 0, 1, 1}, L"年龄"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.patient));
        const Outcome o = evaluate(c.patient);
        EXPECT_EQ(o.level, 3);
        EXPECT_NE(o.verdict.find(c.field), std::wstring::npos) << "verdict: " << testing::PrintToString(o.verdict);
        EXPECT_EQ(o.result.substr(0, o.result.find(L"\r\n")), L"HAS-BLED：-- 分");
    }
}

}  // namespace
