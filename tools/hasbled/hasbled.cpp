// Tool 74: the HAS-BLED bleeding-risk score of anticoagulated atrial
// fibrillation.

#include "core/tool.h"
#include "core/tool_choices.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"age", L"年龄", L"岁", 70.0},
    {"sbp", L"高血压（收缩压>160）", L"1 是，0 否", 0.0},
    {"renal", L"肾功能异常", L"1 是，0 否", 0.0},
    {"liver", L"肝功能异常", L"1 是，0 否", 0.0},
    {"stroke", L"卒中史", L"1 是，0 否", 0.0},
    {"bleed", L"出血史或出血倾向", L"1 是，0 否", 0.0},
    {"inr", L"INR 不稳定（服华法林者）", L"1 是，0 否", 0.0},
    {"drugs", L"抗血小板药或 NSAIDs", L"1 是，0 否", 0.0},
    {"alcohol", L"饮酒每周 ≥8 杯", L"1 是，0 否", 0.0},
};

// Inputs the rules below refuse give no score (pow(-1, 0.5) is NaN, shown as
// "--"): a yes/no field of 2 would count twice, and an age of 0 is an empty
// field, not a patient's age.
const ToolOutput outputs[] = {
    {"score", L"HAS-BLED", L"分",
     "age>0&&(sbp==0||sbp==1)&&(renal==0||renal==1)&&(liver==0||liver==1)&&(stroke==0||stroke==1)"
     "&&(bleed==0||bleed==1)&&(inr==0||inr==1)&&(drugs==0||drugs==1)&&(alcohol==0||alcohol==1)"
     " ? sbp+renal+liver+stroke+bleed+inr+drugs+alcohol+(age>65?1:0) : pow(-1,0.5)",
     "f0"},
};

// The window takes only 1 or 0 for each yes/no field.
const ToolChoice choices[] = {
    {"sbp", 0, 1}, {"renal", 0, 1}, {"liver", 0, 1}, {"stroke", 0, 1}, {"bleed", 0, 1},
    {"inr", 0, 1}, {"drugs", 0, 1}, {"alcohol", 0, 1},
};

// A refused field comes first and names the field.
const ToolRule rules[] = {
    {"age<=0", 3, L"年龄须大于 0，请填写年龄"},
    {"sbp!=0 && sbp!=1", 3, L"“高血压（收缩压>160）”请填 1 或 0"},
    {"renal!=0 && renal!=1", 3, L"“肾功能异常”请填 1 或 0"},
    {"liver!=0 && liver!=1", 3, L"“肝功能异常”请填 1 或 0"},
    {"stroke!=0 && stroke!=1", 3, L"“卒中史”请填 1 或 0"},
    {"bleed!=0 && bleed!=1", 3, L"“出血史或出血倾向”请填 1 或 0"},
    {"inr!=0 && inr!=1", 3, L"“INR 不稳定（服华法林者）”请填 1 或 0"},
    {"drugs!=0 && drugs!=1", 3, L"“抗血小板药或 NSAIDs”请填 1 或 0"},
    {"alcohol!=0 && alcohol!=1", 3, L"“饮酒”请填 1 或 0"},
    {"score>=3", 2, L"≥3 分：出血高风险，纠正可改变因素并加强随访"},
    {"", 0, L"0–2 分：未达出血高风险（≥3 分）"},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
constexpr int output_count = static_cast<int>(std::size(outputs));
constexpr int rule_count = static_cast<int>(std::size(rules));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolDef tool74 = {
    KALDRIN_TOOL_ID,
    L"HAS-BLED 出血风险",
    L"房颤抗凝患者的出血风险评分",
    L"抗凝",
    L"Pisters R 等，Chest 2010；2020 ESC 心房颤动指南",
    L"各项 1 分，年龄 >65 岁加 1 分。高血压未控制：收缩压 >160 mmHg；肾功能异常：透析、肾移植或肌酐 ≥200 µmol/L；"
    L"肝功能异常：肝硬化，或胆红素 >2 倍正常上限且 AST/ALT/ALP >3 倍正常上限；出血：既往大出血、贫血、"
    L"重度血小板减少或出血倾向；INR 不稳定：TTR <60%，仅对服用维生素 K 拮抗剂（华法林）者计分，服 NOAC 者填 0；"
    L"药物：抗血小板药或非甾体抗炎药。是填 1，否填 0。高分本身不是停用抗凝的理由。机械瓣或中重度二尖瓣狭窄患者：指南推荐抗凝用华法林，不用 NOAC。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

constexpr ToolChoices tool74_choices = {static_cast<int>(std::size(choices)), choices};

}  // namespace

const ToolDef* get_tool() {
    return &tool74;
}

const ToolChoices* get_tool_choices() {
    return &tool74_choices;
}
