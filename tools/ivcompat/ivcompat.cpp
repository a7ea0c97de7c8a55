// Tool 66: whether two intravenous drugs may share one infusion, from a small
// table of known incompatibilities (report kind 6).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"drugA", L"药物 A 编号（1-10）", L"号", 1.0},
    {"drugB", L"药物 B 编号（1-10）", L"号", 2.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool66 = {
    KALDRIN_TOOL_ID,
    L"输液配伍核查",
    L"两种静脉药物能否同瓶输注的配伍禁忌速查",
    L"输液安全",
    L"本工具库收录的常见静脉药物配伍禁忌（节选）",
    L"用途：同瓶或同一通路输注两种药物前查配伍禁忌。药物编号：1 头孢曲松，2 葡萄糖酸钙，3 万古霉素，"
    L"4 呋塞米，5 氨溴索，6 奥美拉唑，7 维生素C，8 胰岛素，9 碳酸氢钠，10 多巴胺。"
    L"填写两个编号后按 F5 或点击“计算”；未收录的组合不代表可以配伍，仍须核对院内配伍表。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_IV_COMPATIBILITY,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool66;
}
