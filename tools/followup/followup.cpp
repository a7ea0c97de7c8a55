// Tool 67: the dates of a patient's follow-up visits, counted in days from
// today (report kind 7).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"start", L"首次随访距今", L"天", 7.0},
    {"gap", L"随访间隔", L"天", 7.0},
    {"times", L"随访次数（1-20）", L"次", 4.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool67 = {
    KALDRIN_TOOL_ID,
    L"随访计划",
    L"以今天为基准排出每次随访的日期",
    L"随访管理",
    L"等间隔随访，第 n 次随访 = 今天 + 首次距今天数 +（n-1）× 间隔",
    L"用途：出院或门诊时为患者排出随访日期，可按日期短信提醒。"
    L"首次随访填距今天的天数（0 为今天），间隔以天计，次数 1-20 次；日期按本机今天的日期推算。"
    L"按 F5 或点击“计算”生成。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_FOLLOW_UP_PLAN,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool67;
}
