// Bedside intravenous infusion card, with the drip rate as an hourly volume.

#include "core/text.h"
#include "reports/generators.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"

namespace {

// A drip set of 20 drops per ml: drops per minute × 60 / 20 = ml per hour.
constexpr double ML_PER_HOUR_PER_DROP_PER_MINUTE = 3.0;

}  // namespace

int report_infusion_card(const ToolDef* tool, const double* values, wchar_t* report,
                         int report_capacity, wchar_t* verdict, int verdict_capacity) {
    int bed = report_int(tool, values, report_parameter(REPORT_INFUSION_CARD, "bed"));
    double dose = report_number(tool, values, report_parameter(REPORT_INFUSION_CARD, "dose"));
    double volume = report_number(tool, values, report_parameter(REPORT_INFUSION_CARD, "volume"));
    double drops = report_number(tool, values, report_parameter(REPORT_INFUSION_CARD, "gtt"));

    append_line(report, report_capacity, L"静脉输液卡");
    append_line(report, report_capacity, L"床号：%d", bed);
    append_line(report, report_capacity, L"药液：医嘱药量 %.2f ，加入溶媒 %.0f ml", dose, volume);
    append_line(report, report_capacity, L"滴速：%.0f 滴/分（约 %.0f ml/h）", drops,
                drops * ML_PER_HOUR_PER_DROP_PER_MINUTE);
    append_line(report, report_capacity, L"核对：药名/剂量/浓度/有效期/配伍；双人签名。");
    append_line(report, report_capacity, L"观察：穿刺点、滴速、输注反应；每 30 分钟巡视并记录。");
    text_copy(verdict, verdict_capacity, L"输液卡已生成，双人核对后执行");
    return 0;
}
