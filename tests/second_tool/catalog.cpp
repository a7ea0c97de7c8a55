// The catalogue of the second tool: number 906, the IV compatibility check, a
// report tool (report kind 6) with the two drug numbers as its inputs. Built
// with the same framework and window code as kaldrin.exe, it shows that
// nothing there is particular to tool 51.

#include "core/tool.h"

#include <iterator>

namespace {

const ToolInput tool906_inputs[] = {
    {"drugA", L"药物 A 编号", L"号", 6.0},
    {"drugB", L"药物 B 编号", L"号", 7.0},
};

constexpr int tool906_input_count = static_cast<int>(std::size(tool906_inputs));
static_assert(tool906_input_count <= MAX_TOOL_VALUES, "at most MAX_TOOL_VALUES inputs");

// A report tool: no formulas and no rules, the report gives the verdict.
const ToolDef tool906 = {
    KALDRIN_TOOL_ID,
    L"IV 配伍核查",
    L"两种静脉药物同瓶输注的配伍禁忌速查",
    L"输液安全",
    L"常见静脉药物配伍禁忌表（节选）",
    L"未收录的组合不代表可以配伍，请核对院内配伍表。",
    tool906_input_count, tool906_inputs,
    0, nullptr,
    0, nullptr,
    6,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool906;
}
