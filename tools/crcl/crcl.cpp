// Tool 72: creatinine clearance by the Cockcroft-Gault formula, from serum
// creatinine in µmol/L (the unit of Chinese laboratory reports), age, actual
// body weight and sex; the number is what Kaldrin's clearance field takes.

#include "core/tool.h"
#include "core/tool_choices.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"scr", L"血清肌酐", L"µmol/L", 80.0},
    {"age", L"年龄", L"岁", 70.0},
    {"w", L"实际体重", L"kg", 65.0},
    {"sex", L"性别", L"1 男，2 女", 1.0},
};

// The µmol/L form of Cockcroft-Gault: (140 - age) x weight x F / creatinine,
// F 1.23 for men and 1.04 for women, rounded to 0.1 ml/min, so that the band
// is judged on the value shown (14.96 shows as 15.0 and is in the 15-29
// band). Inputs the rules below refuse give no clearance at all (pow(-1, 0.5)
// is NaN, which the result shows as "--"): a sex other than 1 or 2 has no
// factor, and a creatinine below 20 µmol/L, a weight not above 0 or an age
// outside 18 to 140 would give a clearance that only looks like one (the
// formula is an adult's). A creatinine below 20 µmol/L is no adult's; it is
// what a value in mg/dL typed into this field looks like (1.2 mg/dL would
// read as a clearance of thousands).
const ToolOutput outputs[] = {
    {"crcl", L"肌酐清除率", L"ml/min",
     "(sex==1||sex==2)&&scr>=20&&w>0&&age>=18&&age<140 ? round(10*(140-age)*w*(sex==2?1.04:1.23)/scr)/10"
     " : pow(-1,0.5)", "f1"},
    {"scr_mgdl", L"血清肌酐", L"mg/dL", "scr/88.4", "f2"},
};

// The window takes only 1 or 2 for the sex.
const ToolChoice choices[] = {
    {"sex", 1, 2},
};

// A refused field comes first and says which field to correct; then the bands
// of the clearance, lowest first, each naming what the EU labels (SmPC 4.2)
// do there in the one line a verdict has; the doses are the note's. From 30
// ml/min on, the apixaban dose rests on other criteria, which Kaldrin counts.
// Edoxaban's reduced band runs to 50 ml/min inclusive, rivaroxaban's to 49: a
// clearance of exactly 50.0 has a rule of its own.
const ToolRule rules[] = {
    {"sex!=1 && sex!=2", 3, L"性别请填 1（男）或 2（女）"},
    {"scr<20", 3, L"血清肌酐低于 20 µmol/L：mg/dL 值请乘以 88.4"},
    {"w<=0", 3, L"实际体重须大于 0，请填写 kg 数值"},
    {"age<18 || age>=140", 3, L"年龄须在 18 到 140 岁之间（成人公式）"},
    {"crcl<15", 3, L"CrCl <15：沙班类 NOAC 不推荐，达比加群禁用"},
    {"crcl<30", 2, L"CrCl 15–29：达比加群禁用，沙班类减量，见说明"},
    {"crcl<50", 1, L"CrCl 30–49：利伐沙班、艾多沙班减量，见说明"},
    {"crcl<=50", 1, L"CrCl 50：艾多沙班减量，达比加群考虑减量"},
    {"", 0, L"CrCl >50：不因肾功能减量，阿哌沙班见 Kaldrin"},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
constexpr int output_count = static_cast<int>(std::size(outputs));
constexpr int rule_count = static_cast<int>(std::size(rules));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolDef tool72 = {
    KALDRIN_TOOL_ID,
    L"肌酐清除率（Cockcroft-Gault）",
    L"按血清肌酐、年龄、体重和性别估算肌酐清除率",
    L"抗凝",
    L"Cockcroft DW, Gault MH. Nephron 1976;16:31–41。各 NOAC 按 CrCl 的剂量：欧盟说明书第 4.2 节",
    L"按 CrCl 的剂量（欧盟说明书 4.2）：阿哌沙班 15–29 用 2.5 mg bid，≥30 时按减量条件（见 Kaldrin）；"
    L"利伐沙班 15–49 用 15 mg qd，15–29 慎用；艾多沙班 15–50 用 30 mg qd；达比加群 30–50 考虑 110 mg bid，"
    L"<30 禁用；<15 时三种沙班均不推荐。按实际体重计算，与 Cockcroft-Gault 原文一致；肥胖、体重过低、"
    L"肌肉量异常或肾功能不稳定时，估算值不可靠。结果已按 0.1 ml/min 取整，即 Kaldrin 及各 NOAC 工具"
    L"“肌酐清除率”一栏应填的数值。血清肌酐请填 µmol/L 数值，结果另列 mg/dL 换算值（÷88.4）。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

constexpr ToolChoices tool72_choices = {static_cast<int>(std::size(choices)), choices};

}  // namespace

const ToolDef* get_tool() {
    return &tool72;
}

const ToolChoices* get_tool_choices() {
    return &tool72_choices;
}
