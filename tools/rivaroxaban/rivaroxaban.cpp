// Tool 75: the rivaroxaban dose of non-valvular atrial fibrillation from the
// creatinine clearance, and the two co-medications its label advises against.

#include "core/tool.h"
#include "core/tool_choices.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"crcl", L"肌酐清除率", L"ml/min", 70.0},
    {"azole", L"唑类或 HIV 蛋白酶抑制剂", L"1 是，0 否", 0.0},
    {"dronedarone", L"合用决奈达隆", L"1 是，0 否", 0.0},
};

const ToolChoice choices[] = {
    {"azole", 0, 1},
    {"dronedarone", 0, 1},
};

// No dose below 15 ml/min, where the label does not recommend rivaroxaban,
// and none for a field the rules refuse (pow(-1, 0.5) is NaN, shown as "--").
// A clearance of 0 is an empty field, not a patient's clearance.
const ToolOutput outputs[] = {
    {"dose", L"利伐沙班剂量", L"mg qd",
     "crcl>=15&&(azole==0||azole==1)&&(dronedarone==0||dronedarone==1) ? (crcl>=50?20:15) : pow(-1,0.5)", "f0"},
};

// A refused field first, naming the field; then what the label advises
// against, then the bands of the clearance. Levels: 3 where the label does
// not recommend a use or asks to avoid it, 2 for a dose the label reduces,
// 0 for the standard dose.
const ToolRule rules[] = {
    {"crcl<=0", 3, L"肌酐清除率须大于 0，请填写 ml/min 数值"},
    {"azole!=0 && azole!=1", 3, L"“唑类或 HIV 蛋白酶抑制剂”请填 1 或 0"},
    {"dronedarone!=0 && dronedarone!=1", 3, L"“合用决奈达隆”请填 1 或 0"},
    {"crcl<15", 3, L"CrCl <15 ml/min：不推荐使用利伐沙班"},
    {"azole==1", 3, L"不推荐与唑类抗真菌药或 HIV 蛋白酶抑制剂合用"},
    {"dronedarone==1", 3, L"应避免与决奈达隆合用"},
    {"crcl<30", 2, L"CrCl 15–29 ml/min：15 mg 每日一次，慎用"},
    {"crcl<50", 2, L"CrCl 30–49 ml/min：推荐 15 mg 每日一次"},
    {"", 0, L"CrCl ≥50 ml/min：推荐 20 mg 每日一次"},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
constexpr int output_count = static_cast<int>(std::size(outputs));
constexpr int rule_count = static_cast<int>(std::size(rules));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolChoices tool_choices = {static_cast<int>(std::size(choices)), choices};

const ToolDef tool75 = {
    KALDRIN_TOOL_ID,
    L"利伐沙班剂量（房颤）",
    L"按肌酐清除率和合用药物核查利伐沙班剂量",
    L"抗凝",
    L"利伐沙班欧盟说明书（SmPC）4.2、4.4、4.5：成人非瓣膜性房颤的卒中和全身性栓塞预防",
    L"肌酐清除率为 Cockcroft-Gault 公式估算值（ml/min），即“肌酐清除率（Cockcroft-Gault）”工具（72）的结果。"
    L"唑类指全身用酮康唑、伊曲康唑、伏立康唑或泊沙康唑；HIV 蛋白酶抑制剂如利托那韦。"
    L"15 mg 和 20 mg 片须随餐服用。是填 1，否填 0。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool75;
}

const ToolChoices* get_tool_choices() {
    return &tool_choices;
}
