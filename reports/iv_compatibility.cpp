// IV compatibility check: an unordered pair of drugs from a fixed list looked
// up in a small set of known incompatibilities.

#include "core/text.h"
#include "reports/generators.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"

const wchar_t* const iv_drug_names[IV_DRUG_COUNT] = {
    L"头孢曲松", L"葡萄糖酸钙", L"万古霉素", L"呋塞米", L"氨溴索",
    L"奥美拉唑", L"维生素C",    L"胰岛素",   L"碳酸氢钠", L"多巴胺",
};

namespace {

struct Pair {
    int lo;
    int hi;
};

struct PairRule {
    Pair pairs[2];
    int pair_count;
    const wchar_t* conclusion;
    const wchar_t* verdict;
    int level;
};

const PairRule pair_rules[] = {
    {{{1, 2}, {2, 9}}, 2,
     L"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。",
     L"禁忌：不可同瓶输注，需间隔冲管", 3},
    {{{3, 6}, {3, 9}}, 2,
     L"结论：不宜同瓶。万古霉素与碱性药物/奥美拉唑配伍稳定性差，应分开输注并冲管。",
     L"不宜同瓶，分开输注并冲管", 2},
    {{{4, 10}, {5, 9}}, 2,
     L"结论：不宜同瓶。呋塞米与多巴胺、氨溴索与碱性液混合易发生理化变化。",
     L"不宜同瓶，建议分开输注", 2},
    {{{6, 7}, {0, 0}}, 1,
     L"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。",
     L"建议分开输注", 1},
};

const PairRule uncatalogued = {
    {{0, 0}, {0, 0}}, 0,
    L"结论：本工具库内未收录该组合的明确禁忌，但仍须查本院配伍表并现配现用、注意冲管。",
    L"未收录明确禁忌，仍需核对院内配伍表", 0,
};

// Numbers outside the list show the name of drug 1.
const wchar_t* drug_name(int number) {
    return number >= 1 && number <= IV_DRUG_COUNT ? iv_drug_names[number - 1] : iv_drug_names[0];
}

const PairRule& rule_for(int lo, int hi) {
    for (const PairRule& rule : pair_rules) {
        for (int i = 0; i < rule.pair_count; ++i) {
            if (rule.pairs[i].lo == lo && rule.pairs[i].hi == hi) return rule;
        }
    }
    return uncatalogued;
}

}  // namespace

int report_iv_compatibility(const ToolDef* tool, const double* values, wchar_t* report,
                            int report_capacity, wchar_t* verdict, int verdict_capacity) {
    constexpr const ReportParameter& DRUG_A = report_parameter(REPORT_IV_COMPATIBILITY, "drugA");
    constexpr const ReportParameter& DRUG_B = report_parameter(REPORT_IV_COMPATIBILITY, "drugB");
    static_assert(DRUG_A.low == 1 && DRUG_A.high == IV_DRUG_COUNT && DRUG_B.low == 1 && DRUG_B.high == IV_DRUG_COUNT);
    int a = report_int(tool, values, DRUG_A);
    int b = report_int(tool, values, DRUG_B);
    const PairRule& rule = a < b ? rule_for(a, b) : rule_for(b, a);

    append_line(report, report_capacity, L"待查：%d 号 %ls  +  %d 号 %ls", a, drug_name(a), b, drug_name(b));
    append_line(report, report_capacity, L"");
    append_line(report, report_capacity, L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索");
    append_line(report, report_capacity, L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺");
    append_line(report, report_capacity, L"");
    append_line(report, report_capacity, rule.conclusion);
    text_copy(verdict, verdict_capacity, rule.verdict);
    return rule.level;
}
