#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/reports/report_test_support.h"

namespace {

const std::wstring rule_line = L"排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，按人员顺序滚动。";
const std::wstring tip_line = L"提示：连续夜班不超过 2 个，夜班后应安排休息；请按科室实际人数与能级调整。";

TEST(RotationRoster, ThreeNursesOverThreeDays) {
    ReportRun run = run_report(1, {{"nurses", 3}, {"days", 3}});
    EXPECT_EQ(run.report, lines({rule_line, L"人员：3 人；周期：3 天", L"",
                                 L"护士01：", L"  1日D 2日R 3日N ",
                                 L"护士02：", L"  1日N 2日D 3日R ",
                                 L"护士03：", L"  1日R 2日N 3日D ",
                                 L"", tip_line}));
    EXPECT_EQ(run.verdict, L"已生成轮转排班表，可复制到排班本或表格");
    EXPECT_EQ(run.level, 0);
}

TEST(RotationRoster, MissingAndZeroCountsGiveOneNurseForOneDay) {
    const std::wstring one = lines({rule_line, L"人员：1 人；周期：1 天", L"", L"护士01：", L"  1日D ", L"", tip_line});
    EXPECT_EQ(run_report(1, {{"nurses", 0}}).report, one);
    EXPECT_EQ(run_report(1).report, one);
    EXPECT_EQ(run_report(1, {{"nurses", std::nan("")}, {"days", -4}}).report, one);
    EXPECT_EQ(run_report(1, {{"nurses", -1e300}, {"days", 0.99}}).report, one);
}

TEST(RotationRoster, CountsAreTruncatedAndClamped) {
    ReportRun two = run_report(1, {{"nurses", 2.7}, {"days", 3}});
    EXPECT_NE(two.report.find(lines({L"人员：2 人；周期：3 天", L"", L"护士01：", L"  1日D 2日R 3日N ", L"护士02：",
                                     L"  1日N 2日D 3日R ", L"", tip_line})),
              std::wstring::npos);

    ReportRun most = run_report(1, {{"nurses", 41.9}, {"days", 100}});
    EXPECT_NE(most.report.find(L"人员：40 人；周期：31 天\r\n"), std::wstring::npos);
    EXPECT_EQ(count_of(most.report, L"护士"), 40);
    EXPECT_NE(most.report.find(L"护士40：\r\n  1日D "), std::wstring::npos);
    EXPECT_EQ(count_of(most.report, L"31日"), 40);
    EXPECT_EQ(count_of(most.report, L"32日"), 0);

    // Counts beyond the int range are not a huge roster: they fall to the lower clamp.
    ReportRun beyond = run_report(1, {{"nurses", 1e10}, {"days", 3e9}});
    EXPECT_NE(beyond.report.find(L"人员：1 人；周期：1 天\r\n"), std::wstring::npos);
}

TEST(RotationRoster, EachNurseCyclesDayRestNight) {
    ReportRun run = run_report(1, {{"nurses", 4}, {"days", 6}});
    EXPECT_NE(run.report.find(L"护士01：\r\n  1日D 2日R 3日N 4日D 5日R 6日N \r\n"), std::wstring::npos);
    EXPECT_NE(run.report.find(L"护士02：\r\n  1日N 2日D 3日R 4日N 5日D 6日R \r\n"), std::wstring::npos);
    EXPECT_NE(run.report.find(L"护士03：\r\n  1日R 2日N 3日D 4日R 5日N 6日D \r\n"), std::wstring::npos);
    EXPECT_NE(run.report.find(L"护士04：\r\n  1日D 2日R 3日N 4日D 5日R 6日N \r\n"), std::wstring::npos);
}

TEST(RotationRoster, TheLargestRosterFitsEightThousandButIsCutInTheWindowBuffer) {
    ReportRun whole = run_report(1, {{"nurses", 40}, {"days", 31}});
    EXPECT_EQ(whole.report.size(), 6390u);
    EXPECT_EQ(whole.report.substr(whole.report.size() - tip_line.size() - 4), L"\r\n" + tip_line + L"\r\n");

    ReportRun cut = run_report(1, {{"nurses", 40}, {"days", 31}}, 4096);
    EXPECT_EQ(cut.report, whole.report.substr(0, 4095));
    EXPECT_EQ(cut.report.find(tip_line), std::wstring::npos);
    // The end falls inside a schedule line: after a label line, before its line break.
    std::size_t last_break = cut.report.rfind(L"\r\n");
    EXPECT_EQ(cut.report.compare(last_break - 1, 5, L"：\r\n  "), 0);
    EXPECT_NE(cut.report.find(L"护士25："), std::wstring::npos);
    EXPECT_NE(cut.report.find(L"护士26："), std::wstring::npos);
    EXPECT_EQ(cut.report.find(L"护士27："), std::wstring::npos);
    EXPECT_EQ(cut.verdict, whole.verdict);
}

}  // namespace
