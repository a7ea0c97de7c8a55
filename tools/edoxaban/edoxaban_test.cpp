// Tool 77 as its program uses it: worked examples through evaluate_tool at
// the edges of the clearance and weight and with each reduction factor alone
// and together, the dose line, the verdict's level and the factors it names.
// A refused field shows no dose and a verdict that names the field.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"
#include "core/tool.h"
#include "tests/ui/typed_fields.h"

TEST(Edoxaban, WorkedExamplesEdgesFactorsAndRefusedFields) {
    const struct {
        double crcl, w, pgp;
        const wchar_t* dose;
        int level;
        const wchar_t* verdict;  // the verdict, or for a refusal the field it names
    } cases[] = {
        {70, 65, 0, L"60", 0, L"推荐 60 mg 每日一次：无减量因素"},
        {67.9, 58, 0, L"30", 2, L"推荐 30 mg 每日一次：体重 ≤60 kg"},  // a woman of 58 kg
        {70, 60, 0, L"30", 2, L"推荐 30 mg 每日一次：体重 ≤60 kg"},
        {70, 60.1, 0, L"60", 0, L"推荐 60 mg 每日一次：无减量因素"},
        {50.1, 65, 0, L"60", 0, L"推荐 60 mg 每日一次：无减量因素"},
        {50, 65, 0, L"30", 2, L"推荐 30 mg 每日一次：CrCl 15–50 ml/min"},
        {49.9, 65, 0, L"30", 2, L"推荐 30 mg 每日一次：CrCl 15–50 ml/min"},
        {30, 65, 0, L"30", 2, L"推荐 30 mg 每日一次：CrCl 15–50 ml/min"},
        {29.9, 65, 0, L"30", 2, L"推荐 30 mg 每日一次：CrCl 15–50 ml/min"},
        {15, 65, 0, L"30", 2, L"推荐 30 mg 每日一次：CrCl 15–50 ml/min"},
        {14.9, 65, 0, L"--", 3, L"CrCl <15 ml/min：不推荐使用艾多沙班"},
        {14.9, 50, 1, L"--", 3, L"CrCl <15 ml/min：不推荐使用艾多沙班"},
        {70, 65, 1, L"30", 2, L"推荐 30 mg 每日一次：合用 P-gp 抑制剂"},
        {40, 55, 0, L"30", 2, L"推荐 30 mg 每日一次：CrCl ≤50、体重 ≤60 kg"},
        {40, 65, 1, L"30", 2, L"推荐 30 mg 每日一次：CrCl ≤50、P-gp 抑制剂"},
        {70, 55, 1, L"30", 2, L"推荐 30 mg 每日一次：体重 ≤60、P-gp 抑制剂"},
        {40, 55, 1, L"30", 2, L"推荐 30 mg 每日一次：CrCl、体重、P-gp 三项"},
        {0, 65, 0, L"--", 3, L"肌酐清除率"},
        {70, 0, 0, L"--", 3, L"体重"},
        {70, 65, 2, L"--", 3, L"P-gp"},
        {70, 65, 0.5, L"--", 3, L"P-gp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "crcl " << c.crcl << ", w " << c.w << ", pgp " << c.pgp);
        const Evaluation e = evaluate(get_tool(), {c.crcl, c.w, c.pgp});
        EXPECT_EQ(e.first_line(), std::wstring(L"艾多沙班剂量：") + c.dose + L" mg qd");
        EXPECT_EQ(e.level, c.level);
        EXPECT_NE(e.verdict.find(c.verdict), std::wstring::npos) << testing::PrintToString(e.verdict);
    }
}

TEST(Edoxaban, ChoiceFieldsTakeOnlyTheirNumbers) {
    expect_choice_fields(get_tool(), get_tool_choices());
}
