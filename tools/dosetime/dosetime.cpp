// Tool 62: the clock times of repeated, equally spaced doses from the hour of
// the first dose (report kind 2).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"start", L"首剂时间（20.5 即 20:30）", L"点", 8.0},
    {"interval", L"给药间隔", L"小时", 8.0},
    {"times", L"给药次数（1-30）", L"次", 6.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool62 = {
    KALDRIN_TOOL_ID,
    L"给药时间表",
    L"按首剂时间、间隔和次数排出每次给药的日期与时刻",
    L"用药安全",
    L"等间隔给药，第 n 次 = 首剂时间 +（n-1）× 间隔",
    L"用途：按医嘱的给药间隔排出每一次给药的时间（第几天、几点几分）。"
    L"首剂时间按 24 小时制填写钟点，如 8 为 8:00，20.5 为 20:30；间隔以小时计；次数 1-30 次。"
    L"按 F5 或点击“计算”生成，可复制到给药记录单；留意落在夜间的给药时间。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_DOSING_TIMETABLE,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool62;
}
