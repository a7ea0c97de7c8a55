// Tool 77: the edoxaban dose of non-valvular atrial fibrillation from the
// creatinine clearance, body weight and co-medication with a P-gp inhibitor.

#include "core/tool.h"
#include "core/tool_choices.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"crcl", L"肌酐清除率", L"ml/min", 70.0},
    {"w", L"体重", L"kg", 65.0},
    {"pgp", L"合用环孢素等 P-gp 抑制剂", L"1 是，0 否", 0.0},
};

const ToolChoice choices[] = {
    {"pgp", 0, 1},
};

// Any one of the three reduction factors gives 30 mg. No dose below 15
// ml/min, where the label does not recommend edoxaban, and none for a field
// the rules refuse (pow(-1, 0.5) is NaN, shown as "--"). A clearance or a
// weight of 0 is an empty field, not a patient's.
const ToolOutput outputs[] = {
    {"dose", L"艾多沙班剂量", L"mg qd",
     "crcl>=15&&w>0&&(pgp==0||pgp==1) ? (crcl<=50||w<=60||pgp==1?30:60) : pow(-1,0.5)", "f0"},
};

// A refused field first, naming the field; then the clearance the label does
// not recommend edoxaban at; then the reduced dose, one rule for each set of
// factors that holds, so the verdict names them all. Levels: 3 not
// recommended, 2 the reduced dose, 0 the standard dose.
#define RENAL "crcl<=50"
#define LIGHT "w<=60"
#define PGP "pgp==1"
const ToolRule rules[] = {
    {"crcl<=0", 3, L"肌酐清除率须大于 0，请填写 ml/min 数值"},
    {"w<=0", 3, L"体重须大于 0，请填写 kg 数值"},
    {"pgp!=0 && pgp!=1", 3, L"“合用环孢素等 P-gp 抑制剂”请填 1 或 0"},
    {"crcl<15", 3, L"CrCl <15 ml/min：不推荐使用艾多沙班"},
    {RENAL "&&" LIGHT "&&" PGP, 2, L"推荐 30 mg 每日一次：CrCl、体重、P-gp 三项"},
    {RENAL "&&" LIGHT, 2, L"推荐 30 mg 每日一次：CrCl ≤50、体重 ≤60 kg"},
    {RENAL "&&" PGP, 2, L"推荐 30 mg 每日一次：CrCl ≤50、P-gp 抑制剂"},
    {LIGHT "&&" PGP, 2, L"推荐 30 mg 每日一次：体重 ≤60、P-gp 抑制剂"},
    {RENAL, 2, L"推荐 30 mg 每日一次：CrCl 15–50 ml/min"},
    {LIGHT, 2, L"推荐 30 mg 每日一次：体重 ≤60 kg"},
    {PGP, 2, L"推荐 30 mg 每日一次：合用 P-gp 抑制剂"},
    {"", 0, L"推荐 60 mg 每日一次：无减量因素"},
};
#undef RENAL
#undef LIGHT
#undef PGP

constexpr int input_count = static_cast<int>(std::size(inputs));
constexpr int output_count = static_cast<int>(std::size(outputs));
constexpr int rule_count = static_cast<int>(std::size(rules));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");
static_assert(output_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES outputs");
static_assert(rule_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES rules");

const ToolChoices tool_choices = {static_cast<int>(std::size(choices)), choices};

const ToolDef tool77 = {
    KALDRIN_TOOL_ID,
    L"艾多沙班剂量（房颤）",
    L"按肌酐清除率、体重和合用药物核查艾多沙班剂量",
    L"抗凝",
    L"艾多沙班欧盟说明书（SmPC）4.2、4.4、4.5：成人非瓣膜性房颤的卒中和全身性栓塞预防；CrCl >95 ml/min：美国说明书",
    L"肌酐清除率为 Cockcroft-Gault 公式估算值（ml/min），即“肌酐清除率（Cockcroft-Gault）”工具（72）的结果。"
    L"减量因素（任一项即 30 mg）：CrCl 15–50 ml/min；体重 ≤60 kg；合用环孢素、决奈达隆、红霉素或酮康唑。"
    L"肌酐清除率高时，欧盟说明书要求先仔细评估个体的血栓栓塞和出血风险；美国说明书规定 CrCl >95 ml/min 者不应使用。"
    L"是填 1，否填 0。",
    input_count, inputs,
    output_count, outputs,
    rule_count, rules,
    0,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool77;
}

const ToolChoices* get_tool_choices() {
    return &tool_choices;
}
