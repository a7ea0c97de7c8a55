// Tool 906 as its program uses it: the definition's inputs, in their order
// and with their defaults, evaluated by evaluate_tool into the report, the
// verdict and the level the window shows and the record keeps. The reports
// themselves are tested in tests/reports.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "core/tool.h"

TEST(IvCheck, InputsReachTheReportInTheirOrder) {
    const ToolDef* tool = get_tool();
    ASSERT_EQ(tool->id, 906);
    ASSERT_EQ(tool->input_count, 2);
    const struct {
        double a;
        double b;
        int level;
        const wchar_t* question;  // the report's first line
        const wchar_t* verdict;
    } cases[] = {
        {tool->inputs[0].default_value, tool->inputs[1].default_value, 1, L"待查：6 号 奥美拉唑  +  7 号 维生素C",
         L"建议分开输注"},
        // A contraindicated pair, typed in the opposite order of the table.
        {2, 1, 3, L"待查：2 号 葡萄糖酸钙  +  1 号 头孢曲松", L"禁忌：不可同瓶输注，需间隔冲管"},
        // A number beyond the list: the first drug's name, no catalogued concern.
        {11, 2, 0, L"待查：11 号 头孢曲松  +  2 号 葡萄糖酸钙", L"未收录明确禁忌，仍需核对院内配伍表"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.question);
        const double inputs[MAX_TOOL_VALUES] = {c.a, c.b};
        static wchar_t result[8192], verdict[512], detail[8192];
        int level = -1;
        EXPECT_EQ(evaluate_tool(tool, inputs, result, 8192, verdict, 512, &level, detail, 8192), c.level);
        EXPECT_EQ(level, c.level);
        EXPECT_EQ(std::wstring(verdict), c.verdict);
        EXPECT_EQ(std::wstring(result).substr(0, std::wstring(c.question).size() + 2),
                  std::wstring(c.question) + L"\r\n");
        // The report is the detail the window keeps and the record writes.
        EXPECT_EQ(std::wstring(detail), std::wstring(result));
    }
}
