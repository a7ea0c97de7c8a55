// Tool 76: the dabigatran etexilate dose of non-valvular atrial fibrillation
// from the creatinine clearance, age, co-medication and bleeding risk.

#include "core/tool.h"
#include "core/tool_choices.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"crcl", L"肌酐清除率", L"ml/min", 70.0},
    {"age", L"年龄", L"岁", 70.0},
    {"verapamil", L"合用维拉帕米", L"1 是，0 否", 0.0},
    {"inhibitor", L"酮康唑等强效 P-gp 抑制剂", L"1 是，0 否", 0.0},
    {"bleed", L"胃炎/食管炎/反流或出血风险", L"1 是，0 否", 0.0},
};

const ToolChoice choices[] = {
    {"verapamil", 0, 1},
    {"inhibitor", 0, 1},
    {"bleed", 0, 1},
};

// No dose where the label contraindicates dabigatran (a clearance below 30
// ml/min, a strong P-gp inhibitor) and none for a field the rules refuse
// (pow(-1, 0.5) is NaN, shown as "--"). The label is for adults; a clearance
// of 0 is an empty field, not a patient's clearance.
#define VALID_INPUTS \
    "crcl>0&&age>=18&&(verapamil==0||verapamil==1)&&(inhibitor==0||inhibitor==1)&&(bleed==0||bleed==1)"
const ToolOutput outputs[] = {
    {"dose", L"达比加群剂量", L"mg bid",
     VALID_INPUTS "&&crcl>=30&&inhibitor==0 ? (age>=80||verapamil==1?110:150) : pow(-1,0.5)", "f0"},
};
#undef VALID_INPUTS

// A refused field first, naming the field; then the contraindications, the
// patients for whom the label recommends 110 mg, those for whom it asks to
// consider 110 mg, and the standard dose. Levels: 3 contraindicated, 2 a dose
// the label reduces, 1 a reduction to consider, 0 the standard dose.
const ToolRule rules[] = {
    {"crcl<=0", 3, L"肌酐清除率须大于 0，请填写 ml/min 数值"},
    {"age<18", 3, L"年龄须满 18 岁（成人适应证），请核对"},
    {"verapamil!=0 && verapamil!=1", 3, L"“合用维拉帕米”请填 1 或 0"},
    {"inhibitor!=0 && inhibitor!=1", 3, L"“强效 P-gp 抑制剂”请填 1 或 0"},
    {"bleed!=0 && bleed!=1", 3, L"“胃炎/食管炎/反流或出血风险”请填 1 或 0"},
    {"crcl<30", 3, L"CrCl <30 ml/min：禁用达比加群"},
    {"inhibitor==1", 3, L"合用强效 P-gp 抑制剂：禁用达比加群"},
    {"age>=80", 2, L"年龄 ≥80 岁：推荐 110 mg 每日两次"},
    {"verapamil==1", 2, L"合用维拉帕米：推荐 110 mg 每日两次"},
    {"age>=75 || crcl<=50 || bleed==1", 1, L"150 mg bid，权衡血栓与出血风险后考虑 110 mg"},
    {"", 0, L"推荐 150 mg 每日两次"},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
constexpr int output_count = static_cast<int>(std::size(outputs));
constexpr int rule_count = static_cast<int>(std::size(rules));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolChoices tool_choices = {static_cast<int>(std::size(choices)), choices};

const ToolDef tool76 = {
    KALDRIN_TOOL_ID,
    L"达比加群剂量（房颤）",
    L"按肌酐清除率、年龄和合用药物核查达比加群酯剂量",
    L"抗凝",
    L"达比加群酯欧盟说明书（SmPC）4.2、4.3、4.4、4.5：成人非瓣膜性房颤的卒中和全身性栓塞预防",
    L"肌酐清除率为 Cockcroft-Gault 公式估算值（ml/min），即“肌酐清除率（Cockcroft-Gault）”工具（72）的结果。"
    L"强效 P-gp 抑制剂：全身用酮康唑、伊曲康唑，环孢素，决奈达隆，格卡瑞韦/哌仑他韦。"
    L"年龄 75–79 岁、CrCl 30–50 ml/min、胃炎、食管炎、胃食管反流或其他出血风险增加时考虑 110 mg。"
    L"年龄 >75 岁或 CrCl 30–50 ml/min 者至少每年复查肾功能。是填 1，否填 0。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool76;
}

const ToolChoices* get_tool_choices() {
    return &tool_choices;
}
