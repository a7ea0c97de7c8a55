#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

#include "core/evaluate.h"
#include "core/text.h"
#include "reports/generators.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"
#include "tests/reports/report_test_support.h"
#include "ui/input_number.h"

namespace {

// ---- append_line -----------------------------------------------------------

TEST(AppendLine, LiteralKeepsPercentSignsAndFormatInterpretsThem) {
    wchar_t report[128] = L"";
    append_line(report, 128, L"10% 氯化钾 %d %%");
    append_line(report, 128, L"%02d 床 SpO2＿%%；%ls %c %.0f %.2f", 7, L"护士", L'D', 2.5, 1.005);
    append_line(report, 128, L"");
    EXPECT_EQ(std::wstring(report), L"10% 氯化钾 %d %%\r\n07 床 SpO2＿%；护士 D 2 1.00\r\n\r\n");
}

TEST(AppendLine, CutsAtCapacityAndLeavesALoneCarriageReturnAtTheEnd) {
    wchar_t report[16];
    for (wchar_t& c : report) c = L'#';
    report[0] = L'\0';
    append_line(report, 10, L"abcdefgh");
    EXPECT_EQ(std::wstring(report), L"abcdefgh\r");
    append_line(report, 10, L"more");
    EXPECT_EQ(std::wstring(report), L"abcdefgh\r");
    EXPECT_EQ(report[10], L'#');

    wchar_t full[10] = L"";
    append_line(full, 10, L"%d", 123456789);
    EXPECT_EQ(std::wstring(full), L"123456789");

    wchar_t middle[10] = L"abc";
    append_line(middle, 10, L"defghijkl");
    EXPECT_EQ(std::wstring(middle), L"abcdefghi");
}

TEST(AppendLine, LongLinesAreCutAtTheLineScratch) {
    const std::wstring long_text(600, L'x');
    const std::wstring expected = std::wstring(REPORT_LINE_CAPACITY - 1, L'x') + L"\r\n";
    static wchar_t report[2048];
    report[0] = L'\0';
    append_line(report, 2048, long_text.c_str());
    EXPECT_EQ(std::wstring(report), expected);
    report[0] = L'\0';
    append_line(report, 2048, L"%ls", long_text.c_str());
    EXPECT_EQ(std::wstring(report), expected);
}

TEST(AppendLine, NoRoomWritesNothing) {
    append_line(nullptr, 0, L"x");
    wchar_t two[2] = {L'#', L'#'};
    append_line(two, 0, L"x");
    EXPECT_EQ(two[0], L'#');
    two[0] = L'\0';
    append_line(two, 1, L"x %d", 1);
    EXPECT_EQ(two[0], L'\0');
    EXPECT_EQ(two[1], L'#');
}

// ---- input_by_key ----------------------------------------------------------

TEST(InputByKey, FindsTheFirstExactMatch) {
    ReportTool tool(0, {{"kind", 2}, {"Kind", 5}, {"kind", 3}, {"gtt", 40}});
    EXPECT_EQ(input_by_key(&tool.def, tool.values, "kind"), 2.0);
    EXPECT_EQ(input_by_key(&tool.def, tool.values, "Kind"), 5.0);
    EXPECT_EQ(input_by_key(&tool.def, tool.values, "gtt"), 40.0);
    EXPECT_EQ(input_by_key(&tool.def, tool.values, "KIND"), 0.0);
    EXPECT_EQ(input_by_key(&tool.def, tool.values, "kin"), 0.0);
    EXPECT_EQ(input_by_key(&tool.def, tool.values, ""), 0.0);
}

TEST(InputByKey, MissingToolInputsOrValuesReadAsZero) {
    ReportTool none(0);
    EXPECT_EQ(input_by_key(&none.def, none.values, "kind"), 0.0);
    ReportTool tool(0, {{"kind", 2}});
    EXPECT_EQ(input_by_key(nullptr, tool.values, "kind"), 0.0);
    EXPECT_EQ(input_by_key(&tool.def, nullptr, "kind"), 0.0);
    EXPECT_EQ(input_by_key(&tool.def, tool.values, nullptr), 0.0);
}

TEST(InputByKey, NeverReadsPastTheValueArray) {
    // A definition listing more inputs than a value array holds.
    ToolInput inputs[MAX_TOOL_VALUES + 1] = {};
    for (ToolInput& input : inputs) input = ToolInput{"x", L"", L"", 0};
    inputs[MAX_TOOL_VALUES - 1].key = "last";
    inputs[MAX_TOOL_VALUES].key = "beyond";
    ToolDef def{1, L"", nullptr, L"", L"", nullptr, MAX_TOOL_VALUES + 1, inputs, 0, nullptr, 0, nullptr, 3};
    double values[MAX_TOOL_VALUES] = {};
    values[MAX_TOOL_VALUES - 1] = 4;
    EXPECT_EQ(input_by_key(&def, values, "last"), 4.0);
    EXPECT_EQ(input_by_key(&def, values, "beyond"), 0.0);
}

// ---- dispatch_report -------------------------------------------------------

TEST(DispatchReport, KindsWithoutAReportGiveTheFallbackTexts) {
    for (int kind : {0, 12, -1, 99, INT_MAX, INT_MIN}) {
        ReportRun run = run_report(kind, {{"kind", 1}});
        EXPECT_EQ(run.report, L"（该工具暂无自定义报告）") << kind;
        EXPECT_EQ(run.verdict, L"暂无报告内容") << kind;
        EXPECT_EQ(run.level, 0) << kind;
    }
}

TEST(DispatchReport, EmptiesBothTextsBeforeWriting) {
    ReportTool tool(8);
    wchar_t report[4096] = L"old report text";
    wchar_t verdict[512] = L"old verdict";
    dispatch_report(8, &tool.def, tool.values, report, 4096, verdict, 512);
    EXPECT_EQ(std::wstring(report).rfind(L"手术安全核查表（三步核查）：\r\n", 0), 0u);
    EXPECT_EQ(std::wstring(verdict), L"三方核查缺一不可，签字后归档");
}

// Parameters that make every kind write something long and non-default.
ReportTool& busy_tool() {
    static ReportTool tool(0, {{"nurses", 40},
                               {"days", 31},
                               {"start", 22},
                               {"interval", 6},
                               {"times", 20},
                               {"kind", 1},
                               {"drugA", 2},
                               {"drugB", 1},
                               {"gap", 7},
                               {"beds", 30},
                               {"bed", 12},
                               {"dose", 1.5},
                               {"volume", 250},
                               {"gtt", 40},
                               {"panel", 2}});
    return tool;
}

TEST(DispatchReport, EveryKindIsCutAtASmallReportCapacity) {
    ReportTool& tool = busy_tool();
    for (int kind = 1; kind <= 12; ++kind) {
        tool.def.report_kind = kind;
        ReportRun whole = run_report(tool);
        ASSERT_GT(whole.report.size(), 9u) << kind;

        wchar_t report[32];
        for (wchar_t& c : report) c = L'#';
        wchar_t verdict[512];
        int level = dispatch_report(kind, &tool.def, tool.values, report, 10, verdict, 512);
        EXPECT_EQ(std::wstring(report), whole.report.substr(0, 9)) << kind;
        EXPECT_EQ(report[10], L'#') << kind;
        EXPECT_EQ(std::wstring(verdict), whole.verdict) << kind;
        EXPECT_EQ(level, whole.level) << kind;
    }
}

TEST(DispatchReport, VerdictIsBoundedByItsCapacity) {
    ReportTool& tool = busy_tool();
    for (int kind = 1; kind <= 12; ++kind) {
        tool.def.report_kind = kind;
        long long today = local_day_number();
        ReportRun whole = run_report(tool);
        ASSERT_GT(whole.verdict.size(), 4u) << kind;

        static wchar_t report[8192];
        wchar_t verdict[16];
        for (wchar_t& c : verdict) c = L'#';
        dispatch_report(kind, &tool.def, tool.values, report, 8192, verdict, 5);
        EXPECT_EQ(std::wstring(verdict), whole.verdict.substr(0, 4)) << kind;
        EXPECT_EQ(verdict[5], L'#') << kind;
        // The follow-up plan's dates move at midnight.
        if (kind != 7 || local_day_number() == today) {
            EXPECT_EQ(std::wstring(report), whole.report) << kind;
        }

        verdict[0] = L'#';
        dispatch_report(kind, &tool.def, tool.values, report, 8192, verdict, 1);
        EXPECT_EQ(verdict[0], L'\0') << kind;
    }
}

// ---- through evaluate_tool -------------------------------------------------

TEST(EvaluateTool, ReportKindsAreHandedToTheReportAndCopiedIntoTheDetail) {
    // Outputs and rules are ignored for report tools: neither the broken
    // formula's notice nor the rule's verdict may appear.
    static const ToolInput inputs[] = {
        {"drugA", L"药物 A", L"", 2},
        {"drugB", L"药物 B", L"", 1},
    };
    static const ToolOutput outputs[] = {{"x", L"无效", L"", "1 +", "f0"}};
    static const ToolRule rules[] = {{"", 1, L"不应出现"}};
    const ToolDef tool{9002, L"配伍", nullptr, L"测试", L"", nullptr, 2, inputs, 1, outputs, 1, rules, 6};
    const double values[MAX_TOOL_VALUES] = {2, 1};

    wchar_t result[4096], verdict[512], detail[8192];
    int level = -1;
    int returned = evaluate_tool(&tool, values, result, 4096, verdict, 512, &level, detail, 8192);
    EXPECT_EQ(returned, 3);
    EXPECT_EQ(level, 3);
    EXPECT_EQ(std::wstring(verdict), L"禁忌：不可同瓶输注，需间隔冲管");
    EXPECT_EQ(std::wstring(result),
              lines({L"待查：2 号 葡萄糖酸钙  +  1 号 头孢曲松", L"",
                     L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索",
                     L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺", L"",
                     L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。"}));
    EXPECT_EQ(std::wstring(detail), std::wstring(result));

    // A detail capacity below the report cuts the copy, not the report.
    wchar_t short_detail[8];
    evaluate_tool(&tool, values, result, 4096, verdict, 512, &level, short_detail, 8);
    EXPECT_EQ(std::wstring(short_detail), std::wstring(result).substr(0, 7));
}

TEST(EvaluateTool, ReportLevelAndTextsFollowTheGenerator) {
    ReportTool& tool = busy_tool();
    for (int kind = 1; kind <= 12; ++kind) {
        tool.def.report_kind = kind;
        long long today = local_day_number();
        ReportRun direct = run_report(tool, 4096);
        static wchar_t result[4096], verdict[512], detail[8192];
        int level = -1;
        int returned = evaluate_tool(&tool.def, tool.values, result, 4096, verdict, 512, &level, detail, 8192);
        EXPECT_EQ(returned, direct.level) << kind;
        EXPECT_EQ(level, direct.level) << kind;
        EXPECT_EQ(std::wstring(detail), std::wstring(result)) << kind;
        // The follow-up plan's dates move at midnight.
        if (kind != 7 || local_day_number() == today) {
            EXPECT_EQ(std::wstring(result), direct.report) << kind;
        }
        EXPECT_EQ(std::wstring(verdict), direct.verdict) << kind;
    }
    tool.def.report_kind = 0;
}

// ---- the report kinds' table ----------------------------------------------

TEST(ReportKinds, EveryKindOneToElevenAndNoOther) {
    for (int kind = -1; kind <= 12; ++kind) {
        const ReportKindEntry* entry = find_report_kind(kind);
        EXPECT_EQ(entry != nullptr, kind >= 1 && kind <= 11) << kind;
        if (entry != nullptr) {
            EXPECT_EQ(entry->kind, kind);
        }
    }
}

// The table is what the reports read: a tool without a key gets the row's
// missing value, and each key the table lists changes its report.
TEST(ReportKinds, TheTableIsWhatEachReportReads) {
    long long today = local_day_number();
    for (const ReportKindEntry& entry : REPORT_KINDS) {
        ReportTool none(entry.kind);
        for (int i = 0; i < entry.parameter_count; ++i) {
            const ReportParameter& p = entry.parameters[i];
            double missing = p.whole ? report_int(&none.def, none.values, p) : report_number(&none.def, none.values, p);
            EXPECT_EQ(missing, p.missing) << entry.name << " " << p.key;
            EXPECT_TRUE(p.whole || p.limit == ParameterLimit::NONE || p.limit == ParameterLimit::LOW_OR ||
                        p.limit == ParameterLimit::ABOVE_OR)
                << entry.name << " " << p.key << ": counts and choices are whole";
            ReportRun two = run_report(entry.kind, {{p.key, 2}});
            ReportRun three = run_report(entry.kind, {{p.key, 3}});
            EXPECT_NE(two.report, three.report) << entry.name << " does not read " << p.key;
        }
    }
    // A key outside the table changes nothing.
    for (const ReportKindEntry& entry : REPORT_KINDS) {
        if (entry.kind == REPORT_FOLLOW_UP_PLAN && local_day_number() != today) continue;
        EXPECT_EQ(run_report(entry.kind, {{"intervall", 2}}).report, run_report(entry.kind).report) << entry.name;
    }
}

// A numbered choice as the window reads what is typed: a text no line
// answers to (a number outside the list, a fraction, a word) is refused,
// naming the choice's numbers; each of them shows its own line, and no two
// numbers show the same one.
TEST(ReportKinds, ChoicesTakeOnlyTheirWholeNumbers) {
    const struct {
        int kind;
        std::vector<const char*> keys;  // the tool's inputs, in order
        int choice;                     // the input typed into
        int last;                       // the numbers run from 1 to last
        const wchar_t* last_line;       // what the last number shows
    } rows[] = {
        {REPORT_COLLECTION_ORDER, {"kind"}, 0, 7, L"本次：其他项目，请按检验科项目手册执行。"},
        {REPORT_CRITICAL_VALUES, {"kind"}, 0, 7, L"请查阅本院《危急值报告目录》"},
        {REPORT_HIGH_ALERT_DRUGS, {"kind"}, 0, 4, L"麻醉与肌松药：丙泊酚、维库溴铵、琥珀胆碱、阿片类"},
        {REPORT_IV_COMPATIBILITY, {"drugA", "drugB"}, 0, 10, L"待查：10 号 多巴胺  +  1 号 头孢曲松"},
        {REPORT_IV_COMPATIBILITY, {"drugA", "drugB"}, 1, 10, L"待查：1 号 头孢曲松  +  10 号 多巴胺"},
        {REPORT_LAB_PANELS, {"panel"}, 0, 6, L"尿常规（清洁中段尿）"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "kind " << row.kind << " input " << row.choice);
        // The tool as the window reads it, the other inputs holding 1.
        const int count = static_cast<int>(row.keys.size());
        auto typed = [&](const std::wstring& text, double* values) {
            std::vector<Param> params;
            for (const char* key : row.keys) params.push_back({key, 0.0});
            ReportTool tool(row.kind, params);
            wchar_t texts[MAX_TOOL_VALUES][INPUT_FIELD_CAPACITY] = {};
            for (int i = 0; i < count; ++i) texts[i][0] = L'1';
            text_copy(texts[row.choice], INPUT_FIELD_CAPACITY, text.c_str());
            return read_input_values(texts, count, &tool.def, nullptr, values);
        };
        auto report_of = [&](const std::wstring& text) {
            double values[MAX_TOOL_VALUES] = {};
            EXPECT_EQ(typed(text, values).refused, -1) << testing::PrintToString(text);
            std::vector<Param> params;
            for (int i = 0; i < count; ++i) params.push_back({row.keys[static_cast<std::size_t>(i)], values[i]});
            return run_report(ReportTool(row.kind, params)).report;
        };
        const std::wstring above = std::to_wstring(row.last + 1);
        const std::wstring last_and_a_bit = std::to_wstring(row.last) + L".99";
        for (const std::wstring text : {L"0", L"-1", L"0.9", L"-0.7", L"2.7", L"0.5", above.c_str(),
                                        last_and_a_bit.c_str(), L"99", L"1e12",
                                        L"-4294967297", L"abc", L"\u662F", L"yes", L"\u221A", L"+"}) {
            double values[MAX_TOOL_VALUES] = {-9, -9};
            InputReading reading = typed(text, values);
            EXPECT_EQ(reading.refused, row.choice) << testing::PrintToString(text);
            EXPECT_EQ(reading.why, FieldRefusal::NOT_A_CHOICE) << testing::PrintToString(text);
            EXPECT_EQ(reading.first, 1);
            EXPECT_EQ(reading.last, row.last);
            EXPECT_EQ(values[0], -9);
        }
        std::set<std::wstring> shown;
        for (int n = 1; n <= row.last; ++n) shown.insert(report_of(std::to_wstring(n)));
        EXPECT_EQ(static_cast<int>(shown.size()), row.last) << "two numbers show the same line";
        EXPECT_NE(report_of(std::to_wstring(row.last)).find(row.last_line), std::wstring::npos);
        // The forms of one whole number are that number.
        for (const wchar_t* three : {L"3.0", L"3e0", L"\uFF0B3", L"\uFF13", L" 3 ", L"3 \u53F7"}) {
            EXPECT_EQ(report_of(three), report_of(L"3")) << testing::PrintToString(std::wstring(three));
        }
    }
    // A tool whose kind reads no choice, the second of two inputs with one
    // key, which the report never reads, and a formula tool's input that is
    // no declared choice are plain numbers.
    ReportTool roster(REPORT_ROTATION_ROSTER, {{"nurses", 0}, {"days", 0}});
    ReportTool twice(REPORT_LAB_PANELS, {{"panel", 0}, {"panel", 0}});
    ReportTool formulas(0, {{"kind", 0}, {"panel", 0}});
    const ToolChoice kind_choice[] = {{"kind", 1, 3}};
    const ToolChoices declared{1, kind_choice};
    const wchar_t texts[2][INPUT_FIELD_CAPACITY] = {L"2", L"99.5"};
    double values[2] = {};
    EXPECT_EQ(read_input_values(texts, 2, &roster.def, nullptr, values).refused, -1);
    EXPECT_EQ(read_input_values(texts, 2, &twice.def, nullptr, values).refused, -1);
    EXPECT_EQ(read_input_values(texts, 2, &formulas.def, &declared, values).refused, -1);
    EXPECT_EQ(values[1], 99.5);
    const wchar_t kind_beyond[2][INPUT_FIELD_CAPACITY] = {L"4", L"1"};
    EXPECT_EQ(read_input_values(kind_beyond, 2, &formulas.def, &declared, values).refused, 0);
}

}  // namespace
