// Tool 65: the categories of high-alert drugs and the key points of their
// storage and use (report kind 5).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"kind", L"药品类别编号（1-4）", L"号", 1.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool65 = {
    KALDRIN_TOOL_ID,
    L"高警示药品",
    L"高警示药品类别与存放、核对、使用要点",
    L"用药安全",
    L"高警示药品专区存放、专用标识、双人核对的管理要求",
    L"用途：取用、核对高警示药品前查看该类药品的管理要点。"
    L"类别编号：1 高浓度电解质，2 胰岛素与口服降糖药，3 抗凝与化疗药，4 麻醉与肌松药。"
    L"填写编号后按 F5 或点击“计算”。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_HIGH_ALERT_DRUGS,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool65;
}
