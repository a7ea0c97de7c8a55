// Tool 64: common critical laboratory values by group, and how a critical
// value is handled (report kind 4).

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"kind", L"项目组编号（1-7）", L"号", 1.0},
};

constexpr int input_count = static_cast<int>(std::size(inputs));
static_assert(input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

const ToolDef tool64 = {
    KALDRIN_TOOL_ID,
    L"危急值",
    L"常见检验危急值速查与报告处置流程",
    L"检验标本",
    L"表中数值仅供参考，以本院《危急值报告目录》为准",
    L"用途：接到检验结果时速查是否属危急值，并按处置要求闭环报告、接收、处理、记录。"
    L"项目组编号：1 血钾/血钠/血钙，2 血糖与血气，3 白细胞/血红蛋白/血小板，"
    L"4 INR/纤维蛋白原/D-二聚体，5 血培养/脑脊液培养/HIV 初筛，6 肌钙蛋白/淀粉酶/脂肪酶，"
    L"7 其他项目（请查阅本院目录）。填写编号后按 F5 或点击“计算”。",
    input_count, inputs,
    0, nullptr,
    0, nullptr,
    REPORT_CRITICAL_VALUES,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool64;
}
