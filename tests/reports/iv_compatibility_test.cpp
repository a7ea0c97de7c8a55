#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/reports/report_test_support.h"

namespace {

const wchar_t* const contraindicated =
    L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。";
const wchar_t* const vancomycin = L"结论：不宜同瓶。万古霉素与碱性药物/奥美拉唑配伍稳定性差，应分开输注并冲管。";
const wchar_t* const furosemide = L"结论：不宜同瓶。呋塞米与多巴胺、氨溴索与碱性液混合易发生理化变化。";
const wchar_t* const omeprazole = L"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。";
const wchar_t* const uncatalogued =
    L"结论：本工具库内未收录该组合的明确禁忌，但仍须查本院配伍表并现配现用、注意冲管。";

std::wstring check(const std::wstring& question, const std::wstring& conclusion) {
    return lines({question, L"", L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索",
                  L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺", L"", conclusion});
}

TEST(IvCompatibility, QuestionLineKeepsTheInputOrder) {
    ReportRun forward = run_report(6, {{"drugA", 1}, {"drugB", 2}});
    EXPECT_EQ(forward.report, check(L"待查：1 号 头孢曲松  +  2 号 葡萄糖酸钙", contraindicated));
    EXPECT_EQ(forward.verdict, L"禁忌：不可同瓶输注，需间隔冲管");
    EXPECT_EQ(forward.level, 3);

    ReportRun backward = run_report(6, {{"drugA", 2}, {"drugB", 1}});
    EXPECT_EQ(backward.report, check(L"待查：2 号 葡萄糖酸钙  +  1 号 头孢曲松", contraindicated));
    EXPECT_EQ(backward.level, 3);
}

TEST(IvCompatibility, EveryCataloguedPairInBothOrders) {
    const struct {
        int a;
        int b;
        const wchar_t* conclusion;
        const wchar_t* verdict;
        int level;
    } cases[] = {
        {1, 2, contraindicated, L"禁忌：不可同瓶输注，需间隔冲管", 3},
        {9, 2, contraindicated, L"禁忌：不可同瓶输注，需间隔冲管", 3},
        {6, 3, vancomycin, L"不宜同瓶，分开输注并冲管", 2},
        {9, 3, vancomycin, L"不宜同瓶，分开输注并冲管", 2},
        {10, 4, furosemide, L"不宜同瓶，建议分开输注", 2},
        {9, 5, furosemide, L"不宜同瓶，建议分开输注", 2},
        {7, 6, omeprazole, L"建议分开输注", 1},
    };
    for (const auto& c : cases) {
        for (bool swap : {false, true}) {
            int a = swap ? c.b : c.a;
            int b = swap ? c.a : c.b;
            ReportRun run = run_report(6, {{"drugA", double(a)}, {"drugB", double(b)}});
            EXPECT_EQ(run.report.substr(run.report.size() - std::wstring(c.conclusion).size() - 2),
                      std::wstring(c.conclusion) + L"\r\n")
                << a << "+" << b;
            EXPECT_EQ(run.verdict, c.verdict) << a << "+" << b;
            EXPECT_EQ(run.level, c.level) << a << "+" << b;
            EXPECT_EQ(count_of(run.report, L"\r\n"), 6);
        }
    }
}

TEST(IvCompatibility, AllOtherPairsAreUncatalogued) {
    int catalogued = 0;
    for (int a = -1; a <= 12; ++a) {
        for (int b = -1; b <= 12; ++b) {
            ReportRun run = run_report(6, {{"drugA", double(a)}, {"drugB", double(b)}});
            if (run.level != 0) {
                ++catalogued;
                continue;
            }
            EXPECT_NE(run.report.find(uncatalogued), std::wstring::npos) << a << "+" << b;
            EXPECT_EQ(run.verdict, L"未收录明确禁忌，仍需核对院内配伍表");
        }
    }
    // The seven pairs, each in both orders.
    EXPECT_EQ(catalogued, 14);
}

TEST(IvCompatibility, UnlistedNumbersShowTheFirstDrugsName) {
    EXPECT_EQ(run_report(6).report, check(L"待查：0 号 头孢曲松  +  0 号 头孢曲松", uncatalogued));
    EXPECT_EQ(run_report(6, {{"drugA", 12}, {"drugB", 2}}).report,
              check(L"待查：12 号 头孢曲松  +  2 号 葡萄糖酸钙", uncatalogued));
    EXPECT_EQ(run_report(6, {{"drugA", 3}, {"drugB", 3}}).report,
              check(L"待查：3 号 万古霉素  +  3 号 万古霉素", uncatalogued));
    ReportRun nan = run_report(6, {{"drugA", std::nan("")}, {"drugB", 1e12}});
    EXPECT_EQ(nan.report, check(L"待查：-2147483648 号 头孢曲松  +  -2147483648 号 头孢曲松", uncatalogued));
    EXPECT_EQ(nan.level, 0);
}

TEST(IvCompatibility, NumbersAreTruncated) {
    ReportRun run = run_report(6, {{"drugA", 2.9}, {"drugB", 1.2}});
    EXPECT_EQ(run.report, check(L"待查：2 号 葡萄糖酸钙  +  1 号 头孢曲松", contraindicated));
    EXPECT_EQ(run.level, 3);
    EXPECT_EQ(run_report(6, {{"drugA", 7.99}, {"drugB", 6.01}}).level, 1);
    EXPECT_EQ(run_report(6, {{"drugA", 10}, {"drugB", 4.5}}).level, 2);
}

TEST(IvCompatibility, DrugNamesInListOrder) {
    const wchar_t* names[] = {L"头孢曲松", L"葡萄糖酸钙", L"万古霉素", L"呋塞米", L"氨溴索",
                              L"奥美拉唑", L"维生素C",    L"胰岛素",   L"碳酸氢钠", L"多巴胺"};
    for (int n = 1; n <= 10; ++n) {
        ReportRun run = run_report(6, {{"drugA", double(n)}, {"drugB", 1}});
        EXPECT_EQ(run.report.rfind(L"待查：" + std::to_wstring(n) + L" 号 " + names[n - 1] + L"  +  1 号 头孢曲松\r\n", 0),
                  0u);
    }
}

}  // namespace
