// Tool 51, field by field.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/tool.h"

namespace {

TEST(Catalog, SameRecordEveryCall) {
    EXPECT_EQ(get_tool(), get_tool());
}

TEST(Catalog, Tool51Definition) {
    const ToolDef* t = get_tool();
    EXPECT_EQ(t->id, 51);
    EXPECT_EQ(std::wstring(t->name), L"Kaldrin");
    EXPECT_EQ(std::wstring(t->subtitle), L"按肾功能、年龄、体重核查 NOAC 剂量");
    EXPECT_EQ(std::wstring(t->category), L"抗凝");
    EXPECT_EQ(std::wstring(t->basis),
              L"阿哌沙班：CrCl、年龄≥80、体重≤60kg 满足 2 项者 2.5mg bid；CrCl 15–29 者 2.5mg bid（欧盟说明书 4.2）");
    EXPECT_EQ(std::wstring(t->note), L"严重肾功能不全、机械瓣、抗磷脂综合征患者禁用 NOAC。");
    EXPECT_EQ(t->report_kind, 0);

    ASSERT_EQ(t->input_count, 3);
    const char* keys[] = {"crcl", "age", "w"};
    const wchar_t* labels[] = {L"肌酐清除率", L"年龄", L"体重"};
    const wchar_t* units[] = {L"ml/min", L"岁", L"kg"};
    const double defaults[] = {70.0, 70.0, 65.0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(t->inputs[i].key, keys[i]);
        EXPECT_EQ(std::wstring(t->inputs[i].label), labels[i]);
        EXPECT_EQ(std::wstring(t->inputs[i].unit), units[i]);
        EXPECT_EQ(t->inputs[i].default_value, defaults[i]);
    }

    ASSERT_EQ(t->output_count, 2);
    EXPECT_STREQ(t->outputs[0].key, "criteria");
    EXPECT_EQ(std::wstring(t->outputs[0].label), L"减量条件数");
    EXPECT_EQ(std::wstring(t->outputs[0].unit), L"项");
    EXPECT_STREQ(t->outputs[0].expr, "(crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0)");
    EXPECT_STREQ(t->outputs[0].format, "f0");
    EXPECT_STREQ(t->outputs[1].key, "dose");
    EXPECT_EQ(std::wstring(t->outputs[1].label), L"阿哌沙班剂量");
    EXPECT_EQ(std::wstring(t->outputs[1].unit), L"mg bid");
    EXPECT_STREQ(t->outputs[1].format, "f1");

    // The dose and the verdicts at each band are worked examples in
    // tests/core/evaluate_test.cpp.
    ASSERT_EQ(t->rule_count, 4);
    EXPECT_STREQ(t->rules[0].condition, "crcl<15");
    EXPECT_STREQ(t->rules[2].condition, "criteria>=2");
    EXPECT_STREQ(t->rules[3].condition, "");
}

}  // namespace
