// The definition check over deliberately broken definitions: each row breaks
// one thing of a sound tool and names the faults the check must report.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/definition_check.h"
#include "app/tool_description.h"
#include "core/tool.h"
#include "core/tool_choices.h"

namespace {

// A tool that can be broken one record at a time: the README's tool 52 (the
// body-mass index) to begin with.
struct Tool {
    ToolInput inputs[MAX_TOOL_VALUES] = {
        {"w", L"体重", L"kg", 65.0},
        {"h", L"身高", L"cm", 170.0},
    };
    ToolOutput outputs[MAX_TOOL_VALUES] = {
        {"bmi", L"体重指数", L"kg/m²", "w/((h/100)^2)", "f1"},
    };
    ToolRule rules[MAX_TOOL_VALUES] = {
        {"bmi>=28", 2, L"肥胖，请评估代谢风险"},
        {"bmi>=24 || bmi<18.5", 1, L"体重不在正常范围"},
        {"", 0, L"体重指数正常"},
    };
    ToolDef def{52, L"BMI", nullptr, L"营养", L"参考", nullptr, 2, inputs, 1, outputs, 3, rules, 0};
    ToolChoice choice_list[MAX_TOOL_VALUES] = {};
    ToolChoices choices{0, choice_list};

    // Declares one more choice field.
    void choice(const char* key, int first, int last) { choice_list[choices.count++] = ToolChoice{key, first, last}; }

    // A report tool of kind with the given keys, each defaulting to 1.
    void report(int kind, std::initializer_list<const char*> keys) {
        def.report_kind = kind;
        def.input_count = 0;
        for (const char* key : keys) inputs[def.input_count++] = ToolInput{key, L"参数", L"", 1.0};
        def.output_count = 0;
        def.rule_count = 0;
    }
};

// The self-test report of the sound tool, and the same with its last line
// counting failures.
const char SOUND_REPORT[] =
    "TOOL|52|BMI|营养\r\nLEVEL|0\r\nOUT|体重指数|22.5|kg/m²\r\nVERDICT|体重指数正常\r\n"
    "DETAIL|体重指数：22.5 kg/m² \r\nERRORS|0\r\n";
const char FAILED_REPORT[] =
    "TOOL|52|BMI|营养\r\nLEVEL|0\r\nOUT|体重指数|22.5|kg/m²\r\nVERDICT|体重指数正常\r\n"
    "DETAIL|体重指数：22.5 kg/m² \r\nERRORS|2\r\n";

struct Row {
    const char* fault;
    void (*breaks)(Tool&, DefinitionExpectation&);
    std::vector<std::string> messages;  // each fault's text after the tool's name, in any order
};

const Row rows[] = {
    {"nothing", [](Tool&, DefinitionExpectation&) {}, {}},
    {"a declared report that fits", [](Tool&, DefinitionExpectation& e) {
         e.declared_report = SOUND_REPORT;
         e.declared_length = sizeof SOUND_REPORT - 1;
     }, {}},
    {"an output that does not parse", [](Tool& t, DefinitionExpectation&) { t.outputs[0].expr = "w/((h/100)^2"; },
     {"output \"bmi\": formula \"w/((h/100)^2\" does not parse"}},
    {"an unknown function", [](Tool& t, DefinitionExpectation&) { t.outputs[0].expr = "w/sqr(h/100)"; },
     {"output \"bmi\": formula \"w/sqr(h/100)\" calls a function that is not built in"}},
    {"an output without formula", [](Tool& t, DefinitionExpectation&) { t.outputs[0].expr = ""; },
     {"output \"bmi\" has no formula", "input \"w\" is read by no formula or rule",
      "input \"h\" is read by no formula or rule"}},
    {"a misspelt input", [](Tool& t, DefinitionExpectation&) { t.outputs[0].expr = "wt/((h/100)^2)"; },
     {"output \"bmi\" names \"wt\", which is not an input key or an earlier output",
      "input \"w\" is read by no formula or rule"}},
    {"a later output", [](Tool& t, DefinitionExpectation&) {
         t.outputs[1] = t.outputs[0];
         t.outputs[0] = ToolOutput{"band", L"分级", nullptr, "bmi>=24", "f0"};
         t.def.output_count = 2;
     }, {"output \"band\" names \"bmi\", which is not an input key or an earlier output"}},
    {"a rule naming nothing", [](Tool& t, DefinitionExpectation&) { t.rules[0].condition = "bmii>=28"; },
     {"rule 1 names \"bmii\", which is not an input key or an earlier output"}},
    {"a rule that does not parse", [](Tool& t, DefinitionExpectation&) { t.rules[1].condition = "bmi>=24 |"; },
     {"rule 2: formula \"bmi>=24 |\" does not parse"}},
    {"an input nothing reads", [](Tool& t, DefinitionExpectation&) {
         t.inputs[2] = ToolInput{"age", L"年龄", L"岁", 40.0};
         t.def.input_count = 3;
     }, {"input \"age\" is read by no formula or rule"}},
    {"a key twice", [](Tool& t, DefinitionExpectation&) { t.outputs[0].key = "w"; t.rules[0].condition = "w>=28"; },
     {"key \"w\" is defined twice: only the first is ever read",
      "rule 2 names \"bmi\", which is not an input key or an earlier output"}},
    {"a key formulas cannot name", [](Tool& t, DefinitionExpectation&) { t.inputs[1].key = "body height"; },
     {"input 2: key \"body height\" is not a name a formula can read",
      "output \"bmi\" names \"h\", which is not an input key or an earlier output"}},
    {"a rule behind the default one and a level beyond 3", [](Tool& t, DefinitionExpectation&) {
         t.rules[3] = ToolRule{"bmi<10", 4, L"过低"};
         t.def.rule_count = 4;
     }, {"rule 4 stands behind the default rule and is never reached", "rule 4: level 4 is outside 0 to 3"}},
    {"more inputs than a tool has room for", [](Tool& t, DefinitionExpectation&) { t.def.input_count = 17; },
     {"17 inputs: a tool has 0 to 16"}},
    {"a formula failing at the defaults", [](Tool& t, DefinitionExpectation&) { t.outputs[0].expr = "w/(h-170)"; },
     {"the self-test counts ERRORS|1: 1 output formula(s) fail at the default inputs"}},
    {"another number than the build's", [](Tool&, DefinitionExpectation& e) { e.id = 53; },
     {"ToolDef.id is 52, but the build gives the tool the ID 53"}},
    {"a declared report of another tool", [](Tool&, DefinitionExpectation& e) {
         e.declared_report = "TOOL|51|Kaldrin|x\r\nERRORS|0\r\n";
         e.declared_length = 29;
     }, {"the declared self-test report differs from the one the definition writes, from line 1: "
         "\"TOOL|51|Kaldrin|x\" declared, \"TOOL|52|BMI|营养\" written"}},
    {"a declared report with failures", [](Tool&, DefinitionExpectation& e) {
         e.declared_report = FAILED_REPORT;
         e.declared_length = sizeof FAILED_REPORT - 1;
     }, {"the declared self-test report differs from the one the definition writes, from line 6: "
         "\"ERRORS|2\" declared, \"ERRORS|0\" written"}},
    {"a declared report without ERRORS", [](Tool&, DefinitionExpectation& e) {
         e.declared_report = SOUND_REPORT;
         e.declared_length = sizeof SOUND_REPORT - 1 - 10;
     }, {"the declared self-test report differs from the one the definition writes, from line 6: "
         "\"\" declared, \"ERRORS|0\" written"}},
    {"a report kind not compiled in", [](Tool& t, DefinitionExpectation&) { t.report(12, {"kind"}); },
     {"report kind 12 is not one of the compiled-in kinds (0 for formulas, 1 to 11)"}},
    {"a sound report tool", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_DOSING_TIMETABLE, {"start", "interval", "times"});
     }, {}},
    {"a misspelt report key", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_DOSING_TIMETABLE, {"start", "intervall", "times"});
     }, {"report kind 2 (dosing timetable) reads \"interval\" (hours between doses), which no input defines",
         "input \"intervall\" is read by no formula or report (report kind 2 reads: start, interval, times)"}},
    {"a key the report does not read", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_SURGICAL_CHECKLIST, {"beds"});
     }, {"input \"beds\" is read by no formula or report (report kind 8 reads: none)"}},
    {"a report tool with formulas", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_LAB_PANELS, {"panel"});
         t.def.output_count = 1;
         t.def.rule_count = 1;
     }, {"output \"bmi\": a report tool's outputs are never evaluated", "rule 1: a report tool's rules are never tried"}},
    // The window refuses a choice outside its list, and a fraction; a default is one of its numbers.
    {"a choice defaulting to its default line's own number", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_HIGH_ALERT_DRUGS, {"kind"});
         t.inputs[0].default_value = 4;
     }, {}},
    {"a choice defaulting beyond its default line", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_HIGH_ALERT_DRUGS, {"kind"});
         t.inputs[0].default_value = 5;
     }, {"input \"kind\": the default 5 is none of the numbers 1 to 4 its choice offers"}},
    {"a choice defaulting below its list", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_LAB_PANELS, {"panel"});
         t.inputs[0].default_value = 0.5;
     }, {"input \"panel\": the default 0.5 is none of the numbers 1 to 6 its choice offers"}},
    {"a drug by a fraction and a second drug beyond the list", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_IV_COMPATIBILITY, {"drugA", "drugB"});
         t.inputs[0].default_value = 9.5;
         t.inputs[1].default_value = 11;
     }, {"input \"drugA\": the default 9.5 is none of the numbers 1 to 10 its choice offers",
         "input \"drugB\": the default 11 is none of the numbers 1 to 10 its choice offers"}},
    // A verdict and a label each stand on one line of the window.
    {"a verdict and a label as long as their lines", [](Tool& t, DefinitionExpectation&) {
         t.rules[0].message = L"体重指数 ≥28：肥胖，请评估代谢风险并复查血压";  // 22 wide
         t.inputs[1].label = L"身高（不穿鞋时测量）";
     }, {}},
    {"a verdict of two lines and a wrapping label", [](Tool& t, DefinitionExpectation&) {
         t.rules[0].message = L"体重指数 ≥28：肥胖，请评估代谢风险并复查血压血糖血脂";
         t.inputs[1].label = L"身高（不穿鞋时测量，单位 cm）";
     }, {"rule 1: the verdict is 25.9 characters wide, more than the 23 one line of the verdict holds",
         "input \"h\": the label is 14.4 characters wide, more than the 13 its row holds"}},
    {"a formula tool's sound choice", [](Tool& t, DefinitionExpectation&) { t.choice("h", 100, 250); }, {}},
    {"a formula tool's choices astray", [](Tool& t, DefinitionExpectation&) {
         t.choice("w", 70, 80);
         t.choice("height", 0, 1);
         t.choice("h", 2, 1);
         t.choice("w", 0, 100);
     }, {"input \"w\": the default 65 is none of the numbers 70 to 80 its choice offers",
         "choice \"height\" names no input", "choice \"h\": its numbers run from 2 to 1",
         "input \"h\": the default 170 is none of the numbers 2 to 1 its choice offers",
         "choice \"w\" is declared twice: only the first is ever read"}},
    {"a report tool declaring choices", [](Tool& t, DefinitionExpectation&) {
         t.report(REPORT_LAB_PANELS, {"panel"});
         t.choice("panel", 1, 3);
     }, {"choice \"panel\": a report tool's choices are its report kind's, it declares none"}},
};

TEST(DefinitionCheck, EachFaultIsNamedWithTheTool) {
    for (const Row& row : rows) {
        Tool tool;
        DefinitionExpectation expected{"bmi", 52, nullptr, 0};
        row.breaks(tool, expected);
        std::vector<std::string> messages;
        int count = check_definition(&tool.def, &tool.choices, expected,
                                     [](void* context, const char* message) {
                                         static_cast<std::vector<std::string>*>(context)->push_back(message);
                                     },
                                     &messages);
        EXPECT_EQ(count, static_cast<int>(messages.size())) << row.fault;
        std::string prefix = "bmi (tool " + std::to_string(expected.id) + "): ";
        std::vector<std::string> got;
        for (const std::string& message : messages) {
            EXPECT_EQ(message.compare(0, prefix.size(), prefix), 0) << row.fault << ": " << message;
            got.push_back(message.substr(prefix.size()));
        }
        std::vector<std::string> want = row.messages;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << row.fault;
    }
}

// What the user guide is written from: each text as the definition has it
// (quotes, backslashes and line breaks escaped), each default as the window
// shows it, the numbers of a choice (a report's or a declared one) and null
// for what is absent.
TEST(DefinitionCheck, TheDescriptionTellsWhatTheWindowShows) {
    struct Case {
        const char* what;
        void (*change)(Tool&);
        const char* json;
    };
    const Case cases[] = {
        {"a formula tool with a declared choice", [](Tool& t) {
             t.inputs[1].default_value = 170.5;
             t.choice("w", 30, 200);
         },
         "{\"id\": 52, \"name\": \"BMI\", \"subtitle\": null, \"category\": \"营养\", \"basis\": \"参考\", "
         "\"note\": null, \"report_kind\": 0,\n \"inputs\": [\n"
         "  {\"key\": \"w\", \"label\": \"体重\", \"unit\": \"kg\", \"default\": \"65\", \"choice\": [30, 200]},\n"
         "  {\"key\": \"h\", \"label\": \"身高\", \"unit\": \"cm\", \"default\": \"170.5\", \"choice\": null}],\n"
         " \"outputs\": [\n  {\"key\": \"bmi\", \"label\": \"体重指数\", \"unit\": \"kg/m²\", "
         "\"formula\": \"w/((h/100)^2)\"}],\n"
         " \"rules\": [\n  {\"condition\": \"bmi>=28\", \"level\": 2, \"message\": \"肥胖，请评估代谢风险\"},\n"
         "  {\"condition\": \"bmi>=24 || bmi<18.5\", \"level\": 1, \"message\": \"体重不在正常范围\"},\n"
         "  {\"condition\": \"\", \"level\": 0, \"message\": \"体重指数正常\"}]}\n"},
        {"a report tool with a choice, a key read twice and texts to escape", [](Tool& t) {
             t.report(REPORT_IV_COMPATIBILITY, {"drugA", "drugB", "drugA"});
             t.def.subtitle = L"两种药\"能否\"同瓶";
             t.def.note = L"编号\\表\n第二行\t";
             t.inputs[1].unit = nullptr;
         },
         "{\"id\": 52, \"name\": \"BMI\", \"subtitle\": \"两种药\\\"能否\\\"同瓶\", \"category\": \"营养\", "
         "\"basis\": \"参考\", \"note\": \"编号\\\\表\\u000a第二行\\u0009\", \"report_kind\": 6,\n \"inputs\": [\n"
         "  {\"key\": \"drugA\", \"label\": \"参数\", \"unit\": \"\", \"default\": \"1\", \"choice\": [1, 10]},\n"
         "  {\"key\": \"drugB\", \"label\": \"参数\", \"unit\": null, \"default\": \"1\", \"choice\": [1, 10]},\n"
         "  {\"key\": \"drugA\", \"label\": \"参数\", \"unit\": \"\", \"default\": \"1\", \"choice\": null}],\n"
         " \"outputs\": [],\n \"rules\": []}\n"},
    };
    for (const Case& c : cases) {
        Tool tool;
        c.change(tool);
        std::string json;
        describe_tool(&tool.def, &tool.choices, json);
        EXPECT_EQ(json, c.json) << c.what;
    }
}

TEST(DefinitionCheck, TheCataloguedToolPasses) {
    DefinitionExpectation expected{"kaldrin", 51, nullptr, 0};
    EXPECT_EQ(check_definition(get_tool(), get_tool_choices(), expected, nullptr, nullptr), 0);
    expected.id = 906;
    EXPECT_EQ(check_definition(get_tool(), get_tool_choices(), expected, nullptr, nullptr), 1);
}

}  // namespace
