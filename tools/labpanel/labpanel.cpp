// Tool 71: the tests of a common laboratory panel, its tube and what to mind
// when collecting it (report kind 11).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"panel", L"检验套餐编号（1-6）", L"号", 1.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool71 = {
    KALDRIN_TOOL_ID,
    L"检验套餐",
    L"常用检验套餐的项目、采血管与留取注意事项",
    L"检验标本",
    L"常用检验套餐的项目组成、采血管及留取注意事项",
    L"用途：开具或采集常用检验套餐时查看包含的项目、所用采血管和注意事项。"
    L"套餐编号：1 血常规，2 生化全套，3 凝血四项，4 甲状腺功能，5 心肌损伤标志物，6 尿常规。"
    L"填写编号后按 F5 或点击“计算”。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_LAB_PANELS,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool71;
}
