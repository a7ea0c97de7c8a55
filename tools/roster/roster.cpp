// Tool 61: a three-shift rotation roster for a ward, from the number of nurses
// and the length of the period (report kind 1).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"nurses", L"护士人数（1-40）", L"人", 6.0},
    {"days", L"排班天数（1-31）", L"天", 7.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool61 = {
    KALDRIN_TOOL_ID,
    L"轮转排班表",
    L"按护士人数与天数生成三班轮转排班草表",
    L"护理管理",
    L"白班 D / 夜班 N / 休息 R 三班轮转，按人员顺序每日滚动",
    L"用途：为病区排出一个周期的三班轮转草表，每位护士每天一个班次（D 白班、N 夜班、R 休息）。"
    L"填写护士人数（1-40 人）和排班天数（1-31 天），按 F5 或点击“计算”生成；"
    L"可复制到排班本或表格，再按科室实际人数与能级调整。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_ROTATION_ROSTER,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool61;
}
