// The catalogue: the one tool this program carries, number 51.

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput tool51_inputs[] = {
    {"crcl", L"肌酐清除率", L"ml/min", 70.0},
    {"age", L"年龄", L"岁", 70.0},
    {"w", L"体重", L"kg", 65.0},
};

// The dose follows the label's bands of renal function before the count of
// criteria: none below a clearance of 15 ml/min, where the verdict is that
// no NOAC is used (pow(-1, 0.5) is NaN, which the result shows as "--", so
// no number in mg stands beside it), and 2.5 mg from 15 to 29 ml/min
// whatever the other criteria. The dose formula repeats the count rather
// than naming it: the self-test computes each output on its own.
const ToolOutput tool51_outputs[] = {
    {"criteria", L"减量条件数", L"项", "(crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0)", "f0"},
    {"dose", L"阿哌沙班剂量", L"mg bid",
     "crcl<15 ? pow(-1,0.5) : crcl<30 || ((crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0))>=2 ? 2.5 : 5", "f1"},
};

const ToolRule tool51_rules[] = {
    {"crcl<15", 3, L"CrCl<15，NOAC 禁用，改用其他抗凝方案"},
    {"crcl<30", 2, L"CrCl 15–29：阿哌沙班 2.5 mg bid，复查肾功能"},
    {"criteria>=2", 2, L"满足 2 项减量条件，使用低剂量并复查肾功"},
    {"", 0, L"按标准剂量使用，定期复查肾功能"},
};

// The counts are those of the lists; a list beyond the limit of the window,
// the evaluation and the self-test does not compile.
constexpr int tool51_input_count = static_cast<int>(std::size(tool51_inputs));
constexpr int tool51_output_count = static_cast<int>(std::size(tool51_outputs));
constexpr int tool51_rule_count = static_cast<int>(std::size(tool51_rules));
static_assert(tool51_input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(tool51_output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(tool51_rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolDef tool51 = {
    KALDRIN_TOOL_ID,
    L"Kaldrin",
    L"按肾功能、年龄、体重核查 NOAC 剂量",
    L"抗凝",
    L"阿哌沙班：CrCl、年龄≥80、体重≤60kg 满足 2 项者 2.5mg bid；CrCl 15–29 者 2.5mg bid（欧盟说明书 4.2）",
    L"严重肾功能不全、机械瓣、抗磷脂综合征患者禁用 NOAC。",
    tool51_input_count, tool51_inputs,
    tool51_output_count, tool51_outputs,
    tool51_rule_count, tool51_rules,
    0,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool51;
}
