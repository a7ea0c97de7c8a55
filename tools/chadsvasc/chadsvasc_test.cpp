// Tool 73 as its program uses it: worked examples through evaluate_tool, the
// two score lines and the verdict's level. The scores are counted by hand.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/evaluate.h"
#include "core/tool.h"

namespace {

struct Patient {
    double age, sex, chf, htn, dm, stroke, vasc;
};

struct Outcome {
    int level;
    std::wstring result;
    std::wstring verdict;
};

Outcome evaluate(const Patient& p) {
    const double inputs[MAX_TOOL_VALUES] = {p.age, p.sex, p.chf, p.htn, p.dm, p.stroke, p.vasc};
    static wchar_t result[4096], verdict[512], detail[8192];
    int level = -1;
    evaluate_tool(get_tool(), inputs, result, 4096, verdict, 512, &level, detail, 8192);
    return Outcome{level, result, verdict};
}

std::wstring scores(const wchar_t* score, const wchar_t* score_va) {
    return std::wstring(L"CHA₂DS₂-VASc：") + score + L" 分\r\nCHA₂DS₂-VA（不计性别）：" + score_va + L" 分\r\n";
}

std::string describe(const Patient& p) {
    return testing::PrintToString(std::vector<double>{p.age, p.sex, p.chf, p.htn, p.dm, p.stroke, p.vasc});
}

TEST(ChadsVasc, WorkedExamples) {
    const struct {
        Patient patient;  // age, sex (1 man, 2 woman), chf, htn, dm, stroke, vasc
        const wchar_t* score;
        const wchar_t* score_va;
        int level;
    } cases[] = {
        {{76, 2, 0, 1, 0, 0, 1}, L"5", L"4", 2},  // hypertension and a prior myocardial infarction
        {{65, 1, 0, 0, 0, 0, 0}, L"1", L"1", 1},
        {{64, 1, 0, 0, 0, 0, 0}, L"0", L"0", 0},
        {{64, 2, 0, 0, 0, 0, 0}, L"1", L"0", 0},  // the sex point alone
        {{65, 2, 0, 0, 0, 0, 0}, L"2", L"1", 1},
        {{74, 1, 0, 1, 0, 0, 0}, L"2", L"2", 2},
        {{74, 2, 0, 1, 0, 0, 0}, L"3", L"2", 2},
        {{75, 1, 0, 0, 0, 0, 0}, L"2", L"2", 2},
        {{50, 1, 0, 0, 0, 1, 0}, L"2", L"2", 2},  // prior stroke counts two
        {{50, 2, 1, 0, 0, 0, 0}, L"2", L"1", 1},
        {{50, 1, 0, 0, 1, 0, 0}, L"1", L"1", 1},
        {{80, 2, 1, 1, 1, 1, 1}, L"9", L"8", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.patient));
        const Outcome o = evaluate(c.patient);
        EXPECT_EQ(o.result, scores(c.score, c.score_va));
        EXPECT_EQ(o.level, c.level);
    }
}

// A refused field gives no score and a red verdict naming the field.
TEST(ChadsVasc, InvalidFieldsAreRefusedByName) {
    const struct {
        Patient patient;
        const wchar_t* field;
    } cases[] = {
        {{70, 1, 0, 2, 0, 0, 0}, L"高血压"},
        {{70, 1, 2, 0, 0, 0, 0}, L"心衰"},
        {{70, 1, 0, 0, 0.5, 0, 0}, L"糖尿病"},
        {{70, 1, 0, 0, 0, 2, 0}, L"卒中"},
        {{70, 1, 0, 0, 0, 0, -1}, L"血管疾病"},
        {{70, 3, 0, 0, 0, 0, 0}, L"性别"},
        {{70, 0, 0, 0, 0, 0, 0}, L"性别"},
        {{0, 1, 0, 0, 0, 0, 0}, L"年龄"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.patient));
        const Outcome o = evaluate(c.patient);
        EXPECT_EQ(o.level, 3);
        EXPECT_NE(o.verdict.find(c.field), std::wstring::npos) << "verdict: " << testing::PrintToString(o.verdict);
        EXPECT_EQ(o.result.substr(0, o.result.find(L"\r\n")), L"CHA₂DS₂-VASc：-- 分");
    }
}

}  // namespace
