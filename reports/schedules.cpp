// Equally spaced events: the clock times of repeated doses, and the calendar
// dates of follow-up visits counted from today.

#include <climits>
#include <cmath>
#include <ctime>

#include "core/convert.h"
#include "core/format.h"
#include "core/text.h"
#include "reports/generators.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"

namespace {

constexpr const ReportParameter& DOSE_START = report_parameter(REPORT_DOSING_TIMETABLE, "start");
constexpr const ReportParameter& DOSE_INTERVAL = report_parameter(REPORT_DOSING_TIMETABLE, "interval");
constexpr const ReportParameter& DOSE_TIMES = report_parameter(REPORT_DOSING_TIMETABLE, "times");
constexpr const ReportParameter& VISIT_START = report_parameter(REPORT_FOLLOW_UP_PLAN, "start");
constexpr const ReportParameter& VISIT_GAP = report_parameter(REPORT_FOLLOW_UP_PLAN, "gap");
constexpr const ReportParameter& VISIT_TIMES = report_parameter(REPORT_FOLLOW_UP_PLAN, "times");
constexpr int DOSE_CAPACITY = 64;
constexpr int DATE_CAPACITY = 32;

// Today's day number is accepted within this distance of day 0, so that
// adding an int offset and VISIT_TIMES.high - 1 int gaps cannot overflow and
// the date stays convertible. Real dates lie far inside it.
constexpr long long MAX_TODAY = 1LL << 62;

// The day shown for a dose whose day would lie beyond the int range (a start
// hour or interval of billions of hours): the last day the timetable counts.
constexpr int LAST_DOSE_DAY = INT_MAX;

// Day of a dose T hours after midnight of day 1 (T never negative): day 1
// holds the first 24 hours. Days beyond the int range show as LAST_DOSE_DAY.
int dose_day(double hours) {
    double whole_days = hours / 24.0;
    if (!(whole_days < static_cast<double>(LAST_DOSE_DAY))) return LAST_DOSE_DAY;
    return 1 + double_to_int(whole_days);
}

}  // namespace

int report_dosing_timetable(const ToolDef* tool, const double* values, wchar_t* report,
                            int report_capacity, wchar_t* verdict, int verdict_capacity) {
    // A start or interval that is not a finite number (only a caller outside the
    // window can pass one) takes the value of a missing parameter: NaN or
    // infinite hours have no clock time.
    double start = report_number(tool, values, DOSE_START);
    double interval = report_number(tool, values, DOSE_INTERVAL);
    int count = report_int(tool, values, DOSE_TIMES);

    append_line(report, report_capacity, L"首剂时间 %.0f:00，间隔 %.0f 小时，共 %d 次：", start, interval, count);
    for (int j = 0; j < count; ++j) {
        double hours = j * interval + start;
        wchar_t dose[DOSE_CAPACITY];
        if (is_finite_value(hours)) {
            double clock = std::fmod(hours, 24.0);
            int hour = double_to_int(clock);
            int minute = double_to_int((clock - hour) * 60.0);
            text_format(dose, DOSE_CAPACITY, L"第%d天 %02d:%02d", dose_day(hours), hour, minute);
        } else {
            // j × interval + start overflowed: there is no time of day to show.
            text_format(dose, DOSE_CAPACITY, L"第%d天 --:--", LAST_DOSE_DAY);
        }
        text_append(report, report_capacity, dose);
        if (j + 1 < count) text_append(report, report_capacity, L"  |  ");
    }
    text_append(report, report_capacity, L"\r\n");
    append_line(report, report_capacity, L"说明：按等间隔给药；抗菌药物需结合半衰期与肾肝功能调整。");
    text_copy(verdict, verdict_capacity, L"给药时间表已生成，注意首剂与夜间给药时间");
    return 0;
}

long long local_day_number() {
    std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return NO_DAY_NUMBER;
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &now) != 0) return NO_DAY_NUMBER;
#else
    if (localtime_r(&now, &local) == nullptr) return NO_DAY_NUMBER;
#endif
    return days_from_civil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

int report_follow_up_plan(const ToolDef* tool, const double* values, wchar_t* report,
                          int report_capacity, wchar_t* verdict, int verdict_capacity) {
    return report_follow_up_plan_from(local_day_number(), tool, values, report, report_capacity, verdict,
                                      verdict_capacity);
}

int report_follow_up_plan_from(long long today, const ToolDef* tool, const double* values,
                               wchar_t* report, int report_capacity, wchar_t* verdict,
                               int verdict_capacity) {
    int start = report_int(tool, values, VISIT_START);
    int gap = report_int(tool, values, VISIT_GAP);
    int count = report_int(tool, values, VISIT_TIMES);
    // Without a usable date of today no visit date is known: each shows "--"
    // rather than a date counted from a wrong day.
    bool dated = today != NO_DAY_NUMBER && today >= -MAX_TODAY && today <= MAX_TODAY;

    append_line(report, report_capacity, L"随访节点（以今天为基准，起始第 %d 天，间隔 %d 天，共 %d 次）：", start, gap,
                count);
    for (int k = 1; k <= count; ++k) {
        wchar_t date[DATE_CAPACITY];
        if (dated) {
            long long day = today + start + static_cast<long long>(k - 1) * gap;
            civil_from_days(day, date, DATE_CAPACITY);
        } else {
            text_copy(date, DATE_CAPACITY, L"--");
        }
        append_line(report, report_capacity, L"第 %d 次：%ls", k, date);
    }
    append_line(report, report_capacity, L"内容：症状与体征、用药依从性、复查项目、并发症预警、是否需要提前复诊。");
    text_copy(verdict, verdict_capacity, L"随访计划已生成，可按日期短信提醒患者");
    return 0;
}
