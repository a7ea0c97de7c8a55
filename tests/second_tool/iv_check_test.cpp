// Tool 906 as its program uses it: the definition's inputs, in their order
// and with their defaults, evaluated by evaluate_tool into the report, the
// verdict and the level the window shows and the record keeps.

#include <gtest/gtest.h>

#include <string>

#include "core/evaluate.h"
#include "core/tool.h"

namespace {

struct Evaluation {
    int level;
    std::wstring result;
    std::wstring verdict;
    std::wstring detail;
};

Evaluation evaluate(const double (&inputs)[MAX_TOOL_VALUES]) {
    static wchar_t result[8192], verdict[512], detail[8192];
    int level = -1;
    int returned = evaluate_tool(get_tool(), inputs, result, 8192, verdict, 512, &level, detail, 8192);
    EXPECT_EQ(returned, level);
    return Evaluation{level, result, verdict, detail};
}

std::wstring report(const std::wstring& question, const std::wstring& conclusion) {
    return question + L"\r\n"
           L"\r\n"
           L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索\r\n"
           L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺\r\n"
           L"\r\n" +
           conclusion + L"\r\n";
}

TEST(IvCheck, DefaultsGiveTheOmeprazoleAndVitaminCPair) {
    const ToolDef* tool = get_tool();
    ASSERT_EQ(tool->id, 906);
    ASSERT_EQ(tool->input_count, 2);
    double inputs[MAX_TOOL_VALUES] = {};
    for (int i = 0; i < tool->input_count; ++i) inputs[i] = tool->inputs[i].default_value;

    Evaluation e = evaluate(inputs);
    EXPECT_EQ(e.level, 1);
    EXPECT_EQ(e.verdict, L"建议分开输注");
    EXPECT_EQ(e.result, report(L"待查：6 号 奥美拉唑  +  7 号 维生素C",
                               L"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。"));
    // The report is the detail the record keeps.
    EXPECT_EQ(e.detail, e.result);
}

TEST(IvCheck, FieldsReachTheReportInTheirOrder) {
    const struct {
        double a;
        double b;
        int level;
        const wchar_t* question;
        const wchar_t* verdict;
        const wchar_t* conclusion;
    } cases[] = {
        // A contraindicated pair, typed in the opposite order of the table.
        {2, 1, 3, L"待查：2 号 葡萄糖酸钙  +  1 号 头孢曲松", L"禁忌：不可同瓶输注，需间隔冲管",
         L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。"},
        // A number beyond the list: the first drug's name, no catalogued concern.
        {11, 2, 0, L"待查：11 号 头孢曲松  +  2 号 葡萄糖酸钙", L"未收录明确禁忌，仍需核对院内配伍表",
         L"结论：本工具库内未收录该组合的明确禁忌，但仍须查本院配伍表并现配现用、注意冲管。"},
    };
    for (const auto& c : cases) {
        const double inputs[MAX_TOOL_VALUES] = {c.a, c.b};
        Evaluation e = evaluate(inputs);
        EXPECT_EQ(e.level, c.level) << c.a << "+" << c.b;
        EXPECT_EQ(e.verdict, c.verdict) << c.a << "+" << c.b;
        EXPECT_EQ(e.result, report(c.question, c.conclusion)) << c.a << "+" << c.b;
    }
}

}  // namespace
