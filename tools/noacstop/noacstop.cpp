// Tool 78: the least time from the last intake of a NOAC to an elective
// procedure, by the drug, the creatinine clearance and the procedure's
// bleeding risk.

#include "core/tool.h"
#include "core/tool_choices.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"drug", L"达比加群填 1，沙班类填 2", L"1 或 2", 2.0},
    {"crcl", L"肌酐清除率", L"ml/min", 70.0},
    {"risk", L"手术出血风险", L"1 低，2 高", 1.0},
};

const ToolChoice choices[] = {
    {"drug", 1, 2},
    {"risk", 1, 2},
};

// The hours of the guide's table, by drug (1 dabigatran, 2 the factor Xa
// inhibitors), clearance band and risk. No time where the guide gives none
// (dabigatran below 30 ml/min, any NOAC below 15) and none for a field the
// rules refuse (pow(-1, 0.5) is NaN, shown as "--"). A clearance of 0 is an
// empty field, not a patient's clearance.
const ToolOutput outputs[] = {
    {"hours", L"末次服药距手术", L"小时",
     "(drug==1&&crcl>=30||drug==2&&crcl>=15)&&(risk==1||risk==2)"
     " ? (drug==1 ? (risk==1 ? (crcl>=80?24:crcl>=50?36:48) : (crcl>=80?48:crcl>=50?72:96))"
     " : (risk==1 ? (crcl>=30?24:36) : 48)) : pow(-1,0.5)",
     "f0"},
};

// A refused field first, naming the field; then the clearances the guide
// gives no time for; then the time. The verdict stands on one line of the
// window; the guide's rule for resuming after the procedure is in the note.
// Levels: 3 refused or no time, 1 a time to keep.
const ToolRule rules[] = {
    {"drug!=1 && drug!=2", 3, L"药物请填 1（达比加群）或 2（沙班类）"},
    {"crcl<=0", 3, L"肌酐清除率须大于 0，请填写 ml/min 数值"},
    {"risk!=1 && risk!=2", 3, L"“手术出血风险”请填 1（低）或 2（高）"},
    {"crcl<15", 3, L"CrCl <15 ml/min：NOAC 无正式适应证"},
    {"drug==1 && crcl<30", 3, L"CrCl 15–29 ml/min：达比加群无适应证"},
    {"hours==24", 1, L"末次服药距手术至少 24 小时，无需肝素桥接"},
    {"hours==36", 1, L"末次服药距手术至少 36 小时，无需肝素桥接"},
    {"hours==48", 1, L"末次服药距手术至少 48 小时，无需肝素桥接"},
    {"hours==72", 1, L"末次服药距手术至少 72 小时，无需肝素桥接"},
    {"hours==96", 1, L"末次服药距手术至少 96 小时，无需肝素桥接"},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
constexpr int output_count = static_cast<int>(std::size(outputs));
constexpr int rule_count = static_cast<int>(std::size(rules));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolChoices tool_choices = {static_cast<int>(std::size(choices)), choices};

const ToolDef tool78 = {
    KALDRIN_TOOL_ID,
    L"择期手术前停用 NOAC",
    L"按药物、肌酐清除率和手术出血风险给出末次服药距手术的最短时间",
    L"抗凝",
    L"EHRA 2021 NOAC 实用指南（Steffel J 等，Europace 2021）：择期手术前末次服药时间表",
    L"沙班类：阿哌沙班、艾多沙班、利伐沙班。肌酐清除率为 Cockcroft-Gault 公式估算值（ml/min），即“肌酐清除率（Cockcroft-Gault）”工具（72）的结果。"
    L"术后恢复：即刻完全止血的操作后 6–8 小时；出血高风险手术后 48–72 小时。无需肝素桥接。"
    L"出血风险很小、可局部止血的操作（部分牙科、白内障等）可在谷浓度时进行，即末次服药后 12 或 24 小时。"
    L"本工具按 EHRA 时间表；PAUSE 研究和 2023 ACC/AHA/ACCP/HRS 指南按停药整天数计，与之不同。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool78;
}

const ToolChoices* get_tool_choices() {
    return &tool_choices;
}
