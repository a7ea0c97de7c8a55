// Tool 75 as its program uses it: worked examples through evaluate_tool at
// the edges of the clearance bands and with each co-medication alone, the
// dose line, the verdict's level and a word of the verdict. A refused field
// shows no dose and a verdict that names the field.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "tests/core/evaluation.h"
#include "core/tool.h"
#include "tests/ui/typed_fields.h"

TEST(Rivaroxaban, WorkedExamplesBandEdgesAndRefusedFields) {
    const struct {
        double crcl, azole, dronedarone;
        const wchar_t* dose;
        int level;
        const wchar_t* verdict;  // a part of the verdict
    } cases[] = {
        {70, 0, 0, L"20", 0, L"20 mg 每日一次"},
        {50, 0, 0, L"20", 0, L"20 mg"},
        {49.9, 0, 0, L"15", 2, L"推荐 15 mg"},
        {30, 0, 0, L"15", 2, L"推荐 15 mg"},
        {29.9, 0, 0, L"15", 2, L"慎用"},
        {15, 0, 0, L"15", 2, L"慎用"},
        {14.9, 0, 0, L"--", 3, L"不推荐使用"},
        {14.9, 1, 1, L"--", 3, L"不推荐使用"},  // the clearance decides first
        {70, 1, 0, L"20", 3, L"不推荐与唑类"},
        {40, 0, 1, L"15", 3, L"避免与决奈达隆"},
        {70, 1, 1, L"20", 3, L"唑类"},
        {0, 0, 0, L"--", 3, L"肌酐清除率"},
        {70, 2, 0, L"--", 3, L"唑类"},
        {70, 0.5, 0, L"--", 3, L"唑类"},
        {70, 0, -1, L"--", 3, L"决奈达隆"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "crcl " << c.crcl << ", azole " << c.azole << ", dronedarone "
                                        << c.dronedarone);
        const Evaluation e = evaluate(get_tool(), {c.crcl, c.azole, c.dronedarone});
        EXPECT_EQ(e.first_line(), std::wstring(L"利伐沙班剂量：") + c.dose + L" mg qd");
        EXPECT_EQ(e.level, c.level);
        EXPECT_NE(e.verdict.find(c.verdict), std::wstring::npos) << testing::PrintToString(e.verdict);
    }
}

TEST(Rivaroxaban, ChoiceFieldsTakeOnlyTheirNumbers) {
    expect_choice_fields(get_tool(), get_tool_choices());
}
