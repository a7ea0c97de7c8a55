#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <ctime>
#include <string>

#include "core/format.h"
#include "reports/generators.h"
#include "tests/reports/report_test_support.h"

namespace {

// ---- kind 2: dosing timetable ----------------------------------------------

const std::wstring timetable_note = L"说明：按等间隔给药；抗菌药物需结合半衰期与肾肝功能调整。";

std::wstring timetable(const std::wstring& header, const std::wstring& doses) {
    return lines({header, doses, timetable_note});
}

TEST(DosingTimetable, TypicalAndDefaultTimetables) {
    ReportRun run = run_report(2, {{"start", 8}, {"interval", 8}, {"times", 4}});
    EXPECT_EQ(run.report, timetable(L"首剂时间 8:00，间隔 8 小时，共 4 次：",
                                    L"第1天 08:00  |  第1天 16:00  |  第2天 00:00  |  第2天 08:00"));
    EXPECT_EQ(run.verdict, L"给药时间表已生成，注意首剂与夜间给药时间");
    EXPECT_EQ(run.level, 0);

    EXPECT_EQ(run_report(2).report, timetable(L"首剂时间 0:00，间隔 8 小时，共 1 次：", L"第1天 00:00"));
}

TEST(DosingTimetable, ClockTimesAcrossDays) {
    EXPECT_EQ(run_report(2, {{"start", 22}, {"interval", 6}, {"times", 5}}).report,
              timetable(L"首剂时间 22:00，间隔 6 小时，共 5 次：",
                        L"第1天 22:00  |  第2天 04:00  |  第2天 10:00  |  第2天 16:00  |  第2天 22:00"));
    EXPECT_EQ(run_report(2, {{"start", 0}, {"interval", 1.5}, {"times", 3}}).report,
              timetable(L"首剂时间 0:00，间隔 2 小时，共 3 次：", L"第1天 00:00  |  第1天 01:30  |  第1天 03:00"));
    // Exactly 24 hours is the start of day 2.
    EXPECT_EQ(run_report(2, {{"start", 24}}).report,
              timetable(L"首剂时间 24:00，间隔 8 小时，共 1 次：", L"第2天 00:00"));
}

TEST(DosingTimetable, MinutesAreTruncatedAndTheHeaderRounds) {
    EXPECT_EQ(run_report(2, {{"start", 4.35}}).report,
              timetable(L"首剂时间 4:00，间隔 8 小时，共 1 次：", L"第1天 04:20"));
    EXPECT_EQ(run_report(2, {{"start", 7.25}}).report,
              timetable(L"首剂时间 7:00，间隔 8 小时，共 1 次：", L"第1天 07:15"));
    EXPECT_EQ(run_report(2, {{"start", 7.75}}).report,
              timetable(L"首剂时间 8:00，间隔 8 小时，共 1 次：", L"第1天 07:45"));
}

TEST(DosingTimetable, OutOfRangeParametersTakeTheirDefaults) {
    const std::wstring one_at_midnight = timetable(L"首剂时间 0:00，间隔 8 小时，共 1 次：", L"第1天 00:00");
    EXPECT_EQ(run_report(2, {{"start", -3}}).report, one_at_midnight);
    EXPECT_EQ(run_report(2, {{"interval", -2}}).report, one_at_midnight);
    EXPECT_EQ(run_report(2, {{"interval", 0}, {"times", 0.9}}).report, one_at_midnight);
    // Not-a-number and infinite hours have no clock time: they read as missing.
    EXPECT_EQ(run_report(2, {{"start", std::nan("")}, {"interval", std::nan("")}}).report, one_at_midnight);
    EXPECT_EQ(run_report(2, {{"start", INFINITY}, {"interval", INFINITY}}).report, one_at_midnight);
    EXPECT_EQ(run_report(2, {{"start", -INFINITY}, {"times", std::nan("")}}).report, one_at_midnight);

    ReportRun most = run_report(2, {{"interval", 1}, {"times", 45}});
    EXPECT_NE(most.report.find(L"共 30 次："), std::wstring::npos);
    EXPECT_EQ(count_of(most.report, L"  |  "), 29);
    EXPECT_NE(most.report.find(L"|  第2天 05:00\r\n"), std::wstring::npos);
}

TEST(DosingTimetable, DaysBeyondTheIntRangeStopAtTheLastDay) {
    // Day 2147483646 + 1 is the last day that counts; later ones show as it.
    EXPECT_EQ(run_report(2, {{"start", 24.0 * 2147483645 + 5.5}}).report,
              timetable(L"首剂时间 51539607486:00，间隔 8 小时，共 1 次：", L"第2147483646天 05:30"));
    EXPECT_EQ(run_report(2, {{"start", 24.0 * 2147483646}}).report,
              timetable(L"首剂时间 51539607504:00，间隔 8 小时，共 1 次：", L"第2147483647天 00:00"));
    EXPECT_EQ(run_report(2, {{"start", 24.0 * 2147483647 + 5}}).report,
              timetable(L"首剂时间 51539607533:00，间隔 8 小时，共 1 次：", L"第2147483647天 05:00"));
    EXPECT_EQ(run_report(2, {{"start", 1e12}}).report,
              timetable(L"首剂时间 1000000000000:00，间隔 8 小时，共 1 次：", L"第2147483647天 16:00"));

    // The third dose's hour count overflows to infinity: no clock time exists.
    ReportRun huge = run_report(2, {{"interval", 1e308}, {"times", 3}});
    EXPECT_NE(huge.report.find(L"\r\n第1天 00:00  |  第2147483647天 08:00  |  第2147483647天 --:--\r\n"),
              std::wstring::npos);
}

// ---- kind 7: follow-up plan ------------------------------------------------

const std::wstring follow_up_content = L"内容：症状与体征、用药依从性、复查项目、并发症预警、是否需要提前复诊。";

ReportRun plan_from(long long today, std::initializer_list<Param> params) {
    ReportTool tool(7, params);
    static wchar_t report[8192], verdict[512];
    report[0] = L'\0';
    verdict[0] = L'\0';
    int level = report_follow_up_plan_from(today, &tool.def, tool.values, report, 8192, verdict, 512);
    return ReportRun{report, verdict, level};
}

TEST(FollowUpPlan, VisitsCountedFromToday) {
    ReportRun run = plan_from(days_from_civil(2026, 12, 7), {{"start", 7}, {"gap", 7}, {"times", 3}});
    EXPECT_EQ(run.report, lines({L"随访节点（以今天为基准，起始第 7 天，间隔 7 天，共 3 次）：", L"第 1 次：2026-12-14",
                                 L"第 2 次：2026-12-21", L"第 3 次：2026-12-28", follow_up_content}));
    EXPECT_EQ(run.verdict, L"随访计划已生成，可按日期短信提醒患者");
    EXPECT_EQ(run.level, 0);

    EXPECT_EQ(plan_from(days_from_civil(2026, 12, 7), {}).report,
              lines({L"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 1 次）：", L"第 1 次：2026-12-07",
                     follow_up_content}));
}

TEST(FollowUpPlan, PastStartsAndCalendarBoundaries) {
    EXPECT_EQ(plan_from(days_from_civil(2026, 1, 5), {{"start", -10}}).report,
              lines({L"随访节点（以今天为基准，起始第 -10 天，间隔 7 天，共 1 次）：", L"第 1 次：2025-12-26",
                     follow_up_content}));
    EXPECT_EQ(plan_from(days_from_civil(2028, 2, 28), {{"start", 1}, {"gap", 1.9}, {"times", 2}}).report,
              lines({L"随访节点（以今天为基准，起始第 1 天，间隔 1 天，共 2 次）：", L"第 1 次：2028-02-29",
                     L"第 2 次：2028-03-01", follow_up_content}));
}

TEST(FollowUpPlan, CountsAndGapsAreClamped) {
    const long long today = days_from_civil(2026, 12, 7);
    ReportRun most = plan_from(today, {{"gap", -3}, {"times", 45}});
    EXPECT_NE(most.report.find(L"间隔 7 天，共 20 次）"), std::wstring::npos);
    EXPECT_NE(most.report.find(L"第 20 次：2027-04-19\r\n" + follow_up_content), std::wstring::npos);
    EXPECT_EQ(most.report.find(L"第 21 次"), std::wstring::npos);

    EXPECT_NE(plan_from(today, {{"gap", 0}, {"times", 0.9}}).report.find(L"间隔 7 天，共 1 次）"), std::wstring::npos);
}

TEST(FollowUpPlan, ExtremeOffsetsStayExactDates) {
    // 19 gaps of two billion days pass the int range; the date arithmetic is 64-bit.
    const long long today = days_from_civil(2026, 12, 7);
    ReportRun far = plan_from(today, {{"start", 2147483647}, {"gap", 2000000000}, {"times", 20}});
    wchar_t expected[32];
    civil_from_days(today + 2147483647LL + 19LL * 2000000000LL, expected, 32);
    EXPECT_NE(far.report.find(std::wstring(L"第 20 次：") + expected + L"\r\n"), std::wstring::npos);

    // A start that is no int reads as the smallest int, shown as such in the header.
    ReportRun beyond = plan_from(today, {{"start", std::nan("")}});
    civil_from_days(today + INT_MIN, expected, 32);
    EXPECT_EQ(beyond.report, lines({L"随访节点（以今天为基准，起始第 -2147483648 天，间隔 7 天，共 1 次）：",
                                    std::wstring(L"第 1 次：") + expected, follow_up_content}));
}

TEST(FollowUpPlan, AnUnknownTodayShowsNoDates) {
    ReportRun run = plan_from(NO_DAY_NUMBER, {{"times", 2}});
    EXPECT_EQ(run.report, lines({L"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 2 次）：", L"第 1 次：--",
                                 L"第 2 次：--", follow_up_content}));
    EXPECT_EQ(plan_from(LLONG_MAX, {}).report.find(L"第 1 次：--\r\n") != std::wstring::npos, true);
}

TEST(FollowUpPlan, TheReportKindUsesTheLocalDate) {
    // The local date lies within a day of the UTC date of the same instant.
    long long utc_day = static_cast<long long>(std::time(nullptr)) / 86400;
    long long today = local_day_number();
    EXPECT_GE(today, utc_day - 1);
    EXPECT_LE(today, utc_day + 1);

    ReportRun through_dispatch = run_report(7, {{"start", 3}, {"times", 2}});
    if (local_day_number() == today) {
        EXPECT_EQ(through_dispatch.report, plan_from(today, {{"start", 3}, {"times", 2}}).report);
    }
}

}  // namespace
