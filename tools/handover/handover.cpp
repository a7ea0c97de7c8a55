// Tool 69: a shift handover template with one line to fill in per bed
// (report kind 9).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"beds", L"交接床位数（1-30）", L"床", 8.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool69 = {
    KALDRIN_TOOL_ID,
    L"交接班模板",
    L"按床位数生成交班报告的填写模板",
    L"护理管理",
    L"危重、新入院、手术、输血、病情变化患者床旁逐一交接并双签名的交接要求",
    L"用途：交班前生成交班报告模板，每床一行，含诊断、生命体征、本班处置、管路与下一班关注事项。"
    L"填写床位数（1-30 床，床号从 01 起），按 F5 或点击“计算”生成，复制到交班本或文档中逐项填写。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_HANDOVER_TEMPLATE,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool69;
}
