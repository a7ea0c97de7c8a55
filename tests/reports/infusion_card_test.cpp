#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/reports/report_test_support.h"

namespace {

std::wstring card(const std::wstring& bed, const std::wstring& fluid, const std::wstring& rate) {
    return lines({L"静脉输液卡", bed, fluid, rate, L"核对：药名/剂量/浓度/有效期/配伍；双人签名。",
                  L"观察：穿刺点、滴速、输注反应；每 30 分钟巡视并记录。"});
}

TEST(InfusionCard, TypicalCard) {
    ReportRun run = run_report(10, {{"bed", 12.9}, {"dose", 1.5}, {"volume", 249.6}, {"gtt", 40}});
    EXPECT_EQ(run.report, card(L"床号：12", L"药液：医嘱药量 1.50 ，加入溶媒 250 ml", L"滴速：40 滴/分（约 120 ml/h）"));
    EXPECT_EQ(run.verdict, L"输液卡已生成，双人核对后执行");
    EXPECT_EQ(run.level, 0);
}

TEST(InfusionCard, NoParametersPrintZeros) {
    EXPECT_EQ(run_report(10).report,
              card(L"床号：0", L"药液：医嘱药量 0.00 ，加入溶媒 0 ml", L"滴速：0 滴/分（约 0 ml/h）"));
}

TEST(InfusionCard, RatesRoundEachOnItsOwnAndNegativesPrintAsTheyAre) {
    EXPECT_EQ(run_report(10, {{"bed", -3.7}, {"dose", -0.125}, {"volume", -10}, {"gtt", 33.3}}).report,
              card(L"床号：-3", L"药液：医嘱药量 -0.12 ，加入溶媒 -10 ml", L"滴速：33 滴/分（约 100 ml/h）"));
}

TEST(InfusionCard, BedNumbersThatAreNoIntShowTheSmallestInt) {
    for (double bed : {std::nan(""), 3e9, -3e9}) {
        EXPECT_EQ(run_report(10, {{"bed", bed}}).report,
                  card(L"床号：-2147483648", L"药液：医嘱药量 0.00 ，加入溶媒 0 ml", L"滴速：0 滴/分（约 0 ml/h）"))
            << bed;
    }
}

}  // namespace
