// Tool 72: creatinine clearance by the Cockcroft-Gault formula, from serum
// creatinine in µmol/L (the unit of Chinese laboratory reports), age, actual
// body weight and sex; the number is what Kaldrin's clearance field takes.

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"scr", L"血清肌酐", L"µmol/L", 80.0},
    {"age", L"年龄", L"岁", 70.0},
    {"w", L"实际体重", L"kg", 65.0},
    {"sex", L"性别", L"1 男，2 女", 1.0},
};

// The µmol/L form of Cockcroft-Gault: (140 - age) x weight x F / creatinine,
// F 1.23 for men and 1.04 for women. Inputs the rules below refuse give no
// clearance at all (pow(-1, 0.5) is NaN, which the result shows as "--"): a
// sex other than 1 or 2 has no factor, and a creatinine below 20 µmol/L, a
// weight not above 0 or an age outside 0 to 140 would give a clearance that
// only looks like one. A creatinine below 20 µmol/L is no adult's; it is what
// a value in mg/dL typed into this field looks like (1.2 mg/dL would read as a
// clearance of thousands).
const ToolOutput outputs[] = {
    {"crcl", L"肌酐清除率", L"ml/min",
     "(sex==1||sex==2)&&scr>=20&&w>0&&age>0&&age<140 ? (140-age)*w*(sex==2?1.04:1.23)/scr : pow(-1,0.5)", "f1"},
    {"scr_mgdl", L"血清肌酐", L"mg/dL", "scr/88.4", "f2"},
};

// A refused field comes first and says which field to correct; then the bands
// of the clearance, lowest first.
const ToolRule rules[] = {
    {"sex!=1 && sex!=2", 3, L"性别请填 1（男）或 2（女）"},
    {"scr<20", 3, L"血清肌酐低于 20 µmol/L，请核对：化验单为 mg/dL 时乘以 88.4 后填写"},
    {"w<=0", 3, L"实际体重须大于 0，请填写 kg 数值"},
    {"age<=0 || age>=140", 3, L"年龄须大于 0 且小于 140 岁，请核对年龄"},
    {"crcl<15", 3, L"CrCl <15 ml/min：欧盟说明书不推荐阿哌沙班，达比加群禁用"},
    {"crcl<30", 2, L"CrCl 15–29 ml/min：阿哌沙班减量，利伐沙班 15 mg，达比加群禁用（欧盟说明书）"},
    {"crcl<50", 1, L"CrCl 30–49 ml/min：利伐沙班 15 mg（欧盟说明书）"},
    {"", 0, L"CrCl ≥50 ml/min：不在阿哌沙班、利伐沙班说明书的肾功能减量范围"},
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
    L"Cockcroft DW, Gault MH. Nephron 1976;16:31–41。分级按欧盟 NOAC 说明书：阿哌沙班 15–29 减量、"
    L"<15 不推荐；利伐沙班 15–49 用 15 mg；达比加群 <30 禁用",
    L"按实际体重计算，利伐沙班和阿哌沙班说明书即如此要求。肥胖、体重过低、肌肉量异常或肾功能不稳定时，"
    L"估算值不可靠。结果即 Kaldrin“肌酐清除率”一栏应填的数值。血清肌酐请填 µmol/L 数值；"
    L"结果中另列 mg/dL 换算值（÷88.4），便于与以 mg/dL 为单位的资料核对。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool72;
}
