// Tool 63: the order of blood-collection tubes, with the handling of the tube
// of this collection (report kind 3).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"kind", L"本次采血项目编号（1-7）", L"号", 1.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool63 = {
    KALDRIN_TOOL_ID,
    L"采血顺序",
    L"多管采血的标准顺序与本次项目的采血要点",
    L"检验标本",
    L"按采血管添加剂排定的标准采血顺序，避免交叉污染",
    L"用途：多管采血前核对采血管的先后顺序，并查看本次项目的采血要点。"
    L"本次项目：1 血常规，2 凝血，3 生化，4 血气，5 血培养，6 血糖/乳酸，7 其他项目"
    L"（项目编号不是报告中采血管的先后顺序）。"
    L"填写编号后按 F5 或点击“计算”。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_COLLECTION_ORDER,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool63;
}
