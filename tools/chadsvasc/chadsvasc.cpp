// Tool 73: the CHA2DS2-VASc stroke-risk score of atrial fibrillation, and the
// same score without the sex point (CHA2DS2-VA).

#include "core/tool.h"
#include "core/tool_choices.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"age", L"年龄", L"岁", 70.0},
    {"sex", L"性别", L"1 男，2 女", 1.0},
    {"chf", L"心衰或左室功能不全", L"1 是，0 否", 0.0},
    {"htn", L"高血压", L"1 是，0 否", 0.0},
    {"dm", L"糖尿病", L"1 是，0 否", 0.0},
    {"stroke", L"卒中、TIA 或血栓栓塞史", L"1 是，0 否", 0.0},
    {"vasc", L"血管疾病", L"1 是，0 否", 0.0},
};

// Inputs the rules below refuse give no score (pow(-1, 0.5) is NaN, shown as
// "--"): a yes/no field of 2 would count twice, and an age of 0 is an empty
// field, not a patient's age. The second score is written out whole rather
// than from the first: the self-test computes each output on its own.
#define VALID_INPUTS \
    "age>0&&(sex==1||sex==2)&&(chf==0||chf==1)&&(htn==0||htn==1)&&(dm==0||dm==1)" \
    "&&(stroke==0||stroke==1)&&(vasc==0||vasc==1)"
#define POINTS_BUT_SEX "chf+htn+dm+2*stroke+vasc+(age>=75?2:age>=65?1:0)"
const ToolOutput outputs[] = {
    {"score", L"CHA₂DS₂-VASc", L"分", VALID_INPUTS " ? " POINTS_BUT_SEX "+(sex==2?1:0) : pow(-1,0.5)", "f0"},
    {"score_va", L"CHA₂DS₂-VA（不计性别）", L"分", VALID_INPUTS " ? " POINTS_BUT_SEX " : pow(-1,0.5)", "f0"},
};
#undef VALID_INPUTS
#undef POINTS_BUT_SEX

// The window takes only 1 or 2 for the sex and 1 or 0 for each yes/no field.
const ToolChoice choices[] = {
    {"sex", 1, 2}, {"chf", 0, 1}, {"htn", 0, 1}, {"dm", 0, 1}, {"stroke", 0, 1}, {"vasc", 0, 1},
};

// A refused field comes first and names the field; then the thresholds, which
// count one point more for women (the sex point).
const ToolRule rules[] = {
    {"age<=0", 3, L"年龄须大于 0，请填写年龄"},
    {"sex!=1 && sex!=2", 3, L"性别请填 1（男）或 2（女）"},
    {"chf!=0 && chf!=1", 3, L"“心衰或左室功能不全”请填 1 或 0"},
    {"htn!=0 && htn!=1", 3, L"“高血压”请填 1 或 0"},
    {"dm!=0 && dm!=1", 3, L"“糖尿病”请填 1 或 0"},
    {"stroke!=0 && stroke!=1", 3, L"“卒中、TIA 或血栓栓塞史”请填 1 或 0"},
    {"vasc!=0 && vasc!=1", 3, L"“血管疾病”请填 1 或 0"},
    {"sex==1 && score>=2 || sex==2 && score>=3", 2, L"男性 ≥2 分、女性 ≥3 分：指南推荐口服抗凝"},
    {"sex==1 && score==1 || sex==2 && score==2", 1, L"男性 1 分、女性 2 分：指南建议考虑口服抗凝"},
    {"", 0, L"男性 0 分、女性 1 分：无需抗栓治疗，定期再评估"},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
constexpr int output_count = static_cast<int>(std::size(outputs));
constexpr int rule_count = static_cast<int>(std::size(rules));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolDef tool73 = {
    KALDRIN_TOOL_ID,
    L"CHA₂DS₂-VASc 卒中风险",
    L"房颤患者的卒中风险评分与口服抗凝建议",
    L"抗凝",
    L"2020 ESC 心房颤动指南；2023 ACC/AHA/ACCP/HRS 心房颤动指南（表 10）；CHA₂DS₂-VA：2024 ESC 心房颤动指南",
    L"计分：心衰或左室功能不全 1，高血压 1，年龄 ≥75 岁 2、65–74 岁 1，糖尿病 1，卒中、TIA 或血栓栓塞史 2，"
    L"血管疾病（既往心肌梗死、外周动脉疾病、主动脉斑块）1，女性 1。CHA₂DS₂-VA 不计女性的 1 分。"
    L"是填 1，否填 0。≥2 分（女性 ≥3 分）推荐口服抗凝，除非有禁忌；0 分（女性 1 分）为低风险，"
    L"2020 ESC 指南认为无需抗栓治疗，应定期重新评估卒中风险。机械瓣或中重度二尖瓣狭窄的房颤患者不适用本评分，指南推荐其抗凝用华法林"
    L"（维生素 K 拮抗剂）。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

constexpr ToolChoices tool73_choices = {static_cast<int>(std::size(choices)), choices};

}  // namespace

const ToolDef* get_tool() {
    return &tool73;
}

const ToolChoices* get_tool_choices() {
    return &tool73_choices;
}
