// Tool 68: the three-step surgical safety checklist (report kind 8). It asks
// for nothing.

#include "core/tool.h"

namespace {

const ToolDef tool68 = {
    KALDRIN_TOOL_ID,
    L"手术安全核查",
    L"麻醉实施前、手术开始前、患者离室前三步核查要点",
    L"手术安全",
    L"外科、麻醉、护理三方共同核查并签字的手术安全核查要求",
    L"用途：手术当日逐步核查，三个环节各由三方共同口述确认。"
    L"本工具无需填写参数：按 F5 或点击“计算”即列出核查表，可复制后粘贴到核查记录或打印。",
    0, nullptr,
    0, nullptr,
    0, nullptr,
    REPORT_SURGICAL_CHECKLIST,
};

}  // namespace

const ToolDef* get_tool() {
    return &tool68;
}
