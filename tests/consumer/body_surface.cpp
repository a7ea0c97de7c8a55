// Tool 907, body surface area: the consumer project's own tool, a formula
// tool with two inputs, one output and two rules, defined outside Kaldrin's
// tree and built by kaldrin_add_tool.

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput inputs[] = {
    {"h", L"身高", L"cm", 170.0},
    {"w", L"体重", L"kg", 64.0},
};

const ToolOutput outputs[] = {
    {"bsa", L"体表面积", L"m²", "sqrt(h*w/3600)", "f2"},
};

const ToolRule rules[] = {
    {"bsa<1.2", 1, L"体表面积偏小，按体表面积给药时复核剂量"},
    {"", 0, L"按体表面积计算剂量"},
};

const ToolDef tool907 = {
    KALDRIN_TOOL_ID,
    L"体表面积",
    L"由身高和体重计算",
    L"剂量计算",
    L"BSA = √(身高 × 体重 / 3600)",
    nullptr,
    static_cast<int>(std::size(inputs)), inputs,
    static_cast<int>(std::size(outputs)), outputs,
    static_cast<int>(std::size(rules)), rules,
    REPORT_FORMULAS,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool907;
}
