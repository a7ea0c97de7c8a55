// Tool 70: a bedside infusion card from the bed, the prescribed amount, the
// diluent volume and the drip rate (report kind 10).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"bed", L"床号", L"床", 12.0},
    {"dose", L"医嘱药量", L"按医嘱单位", 2.0},
    {"volume", L"溶媒量", L"ml", 250.0},
    {"gtt", L"滴速", L"滴/分", 40.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool70 = {
    KALDRIN_TOOL_ID,
    L"输液卡",
    L"床旁静脉输液卡：药液、滴速与每小时输液量",
    L"输液安全",
    L"每小时输液量 = 滴速 × 3，即按每毫升 20 滴的输液器折算",
    L"用途：配液后填写床旁输液卡。医嘱药量按医嘱的单位填写数值（卡上不带单位），溶媒量以 ml 计，"
    L"滴速以滴/分计。按 F5 或点击“计算”生成，双人核对后执行；输液器不是每毫升 20 滴时，每小时输液量须另行换算。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_INFUSION_CARD,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool70;
}
