#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/reports/report_test_support.h"

namespace {

// ---- kind 3: blood-collection order ----------------------------------------

std::wstring collection_order(const std::wstring& choice_line) {
    return lines({L"标准采血顺序（按添加剂，避免交叉污染）：", L"1 血培养瓶（需氧/厌氧）",
                  L"2 凝血管 淡蓝（枸橼酸钠，凝血 PT/APTT）", L"3 促凝/血清管 红或金黄（生化、免疫）",
                  L"4 肝素管 绿（血气、部分生化）", L"5 EDTA 紫（血常规、糖化、血型）",
                  L"6 氟化钠 灰（血糖、乳酸）", L"", choice_line});
}

TEST(CollectionOrder, WholeSheetForEachChoice) {
    const struct {
        double kind;
        const wchar_t* line;
    } cases[] = {
        {1, L"本次：血常规 → 紫管 EDTA，采血后 8 次颠倒混匀，2 小时内送检。"},
        {2.9, L"本次：凝血 → 淡蓝管，需采满刻度线（约 2.0ml），采血后立即轻柔颠倒 3-4 次。"},
        {3, L"本次：生化 → 红/金黄管，避免溶血，采血后静置 30 分钟离心。"},
        {4, L"本次：血气 → 肝素化注射器，排气后立即送检，15 分钟内完成。"},
        {5, L"本次：血培养 → 需氧+厌氧各 1 套，采血 2 套不同部位，先注入培养瓶。"},
        {6, L"本次：血糖/乳酸 → 灰管，需冰浴送检，30 分钟内完成。"},
    };
    for (const auto& c : cases) {
        ReportRun run = run_report(3, {{"kind", c.kind}});
        EXPECT_EQ(run.report, collection_order(c.line)) << c.kind;
        EXPECT_EQ(count_of(run.report, L"\r\n"), 9);
        EXPECT_EQ(run.verdict, L"按标准顺序采血可减少溶血与交叉污染");
        EXPECT_EQ(run.level, 0);
    }
}

TEST(CollectionOrder, OtherChoicesGiveTheDefaultLine) {
    const std::wstring other = collection_order(L"本次：其他项目，请按检验科项目手册执行。");
    EXPECT_EQ(run_report(3).report, other);
    for (double kind : {0.0, -0.7, 0.99, 7.0, -1.0, 6.0e9, -6.0e9, 4294967297.0, std::nan("")}) {
        EXPECT_EQ(run_report(3, {{"kind", kind}}).report, other) << kind;
    }
}

// ---- kind 4: critical values -----------------------------------------------

std::wstring critical_values(std::initializer_list<std::wstring> group) {
    std::wstring text = lines({L"常见检验危急值（参考，需以本院文件为准）："});
    text += lines(group);
    text += lines({L"", L"处置要求：核实标本→15 分钟内电话报告临床→记录报告与接听人→医师 30 分钟内处理并记录。"});
    return text;
}

TEST(CriticalValues, WholeSheetForEachGroup) {
    EXPECT_EQ(run_report(4, {{"kind", 1}}).report,
              critical_values({L"血钾 <2.5 或 >6.5 mmol/L", L"血钠 <120 或 >160 mmol/L", L"血钙 <1.5 或 >3.5 mmol/L"}));
    EXPECT_EQ(run_report(4, {{"kind", 2}}).report,
              critical_values({L"血糖 <2.8 或 >22.2 mmol/L", L"pH <7.20 或 >7.60；PaO2 <45 mmHg；PaCO2 >70 mmHg"}));
    EXPECT_EQ(run_report(4, {{"kind", 3}}).report,
              critical_values({L"白细胞 <1.0 或 >30.0 ×10^9/L", L"血红蛋白 <50 g/L；血小板 <20 或 >1000 ×10^9/L"}));
    EXPECT_EQ(run_report(4, {{"kind", 4}}).report,
              critical_values({L"INR >4.0；纤维蛋白原 <1.0 g/L", L"D-二聚体显著升高并伴临床血栓表现"}));
    EXPECT_EQ(run_report(4, {{"kind", 5}}).report,
              critical_values({L"血培养阳性（无菌部位）", L"脑脊液培养阳性；HIV 初筛阳性需确认"}));
    EXPECT_EQ(run_report(4, {{"kind", 6}}).report,
              critical_values({L"肌钙蛋白明显升高（高于第 99 百分位）", L"血淀粉酶/脂肪酶 >3 倍正常上限"}));

    const std::wstring other = critical_values({L"请查阅本院《危急值报告目录》"});
    for (double kind : {7.0, 0.0, -3.0, std::nan("")}) EXPECT_EQ(run_report(4, {{"kind", kind}}).report, other);
    ReportRun missing = run_report(4);
    EXPECT_EQ(missing.report, other);
    EXPECT_EQ(missing.verdict, L"危急值必须闭环：报告、接收、处理、记录");
    EXPECT_EQ(missing.level, 0);
}

// ---- kind 5: high-alert drugs ----------------------------------------------

TEST(HighAlertDrugs, CategoriesShowPercentSignsAsTheyStand) {
    const std::wstring heading = L"高警示药品类别与要点：";
    EXPECT_EQ(run_report(5, {{"kind", 1}}).report,
              lines({heading, L"高浓度电解质：10% 氯化钾、10% 氯化钠、25% 硫酸镁",
                     L"要点：专用标识、专区存放、双人核对、禁止直接静脉推注（钾）。"}));
    EXPECT_EQ(run_report(5, {{"kind", 2}}).report,
              lines({heading, L"胰岛素与口服降糖药：胰岛素、格列本脲",
                     L"要点：独立存放、专用注射器、剂量双人核对、低血糖监测与急救糖备用。"}));
    EXPECT_EQ(run_report(5, {{"kind", 3}}).report,
              lines({heading, L"抗凝与化疗药：肝素、华法林、低分子肝素、化疗药物",
                     L"要点：化疗药集中配置与防护、抗凝药监测 INR/APTT、出血风险宣教。"}));

    const std::wstring other = lines({heading, L"麻醉与肌松药：丙泊酚、维库溴铵、琥珀胆碱、阿片类",
                                      L"要点：专柜加锁、基数管理、使用后登记、拮抗剂（纳洛酮/新斯的明）备用。"});
    EXPECT_EQ(run_report(5, {{"kind", 4}}).report, other);
    EXPECT_EQ(run_report(5, {{"kind", 1e10}}).report, other);
    ReportRun missing = run_report(5);
    EXPECT_EQ(missing.report, other);
    EXPECT_EQ(missing.verdict, L"高警示药品须专区、专标识、双人核对");
}

// ---- kind 8: surgical safety checklist -------------------------------------

TEST(SurgicalChecklist, WholeSheet) {
    ReportRun run = run_report(8, {{"kind", 2}});
    EXPECT_EQ(run.report,
              lines({L"手术安全核查表（三步核查）：",
                     L"【麻醉实施前】身份/部位/术式/知情同意；过敏史；气道与插管风险；出血风险；影像与植入物；皮肤准备。",
                     L"【手术开始前】团队自我介绍；确认患者、部位、术式；预计手术时间与失血量；抗菌药物已用；器械灭菌合格；"
                     L"影像资料到位。",
                     L"【患者离室前】手术名称与记录一致；标本标识与送检；器械敷料清点；皮肤与管路；恢复与转运方案。", L"",
                     L"要求：三方（外科、麻醉、护理）共同口述确认并签字，任一环节缺失不得开台。"}));
    EXPECT_EQ(run.verdict, L"三方核查缺一不可，签字后归档");
    EXPECT_EQ(run.level, 0);
}

// ---- kind 9: handover template ---------------------------------------------

std::wstring bed_line(const std::wstring& number) {
    return number + L" 床：诊断＿＿；体温＿℃ 脉搏＿次/分 呼吸＿次/分 血压＿/＿mmHg SpO2＿%；本班处置＿＿；"
                    L"管路（静脉/引流/导尿/吸氧）＿＿；下一班关注＿＿。";
}

TEST(HandoverTemplate, OneLinePerBedWithASinglePercentSign) {
    const std::wstring heading = L"交班报告（床号 / 诊断 / 本班病情 / 治疗与管路 / 需下一班关注）：";
    const std::wstring closing = L"危重患者须床旁交接；新入院、手术、输血、病情变化患者逐一交接并双签名。";
    ReportRun two = run_report(9, {{"beds", 2.9}});
    EXPECT_EQ(two.report, lines({heading, bed_line(L"01"), bed_line(L"02"), L"", closing}));
    EXPECT_EQ(two.verdict, L"模板已生成，床旁交接并双方签名");
    EXPECT_EQ(two.level, 0);

    const std::wstring one = lines({heading, bed_line(L"01"), L"", closing});
    EXPECT_EQ(run_report(9, {{"beds", 0}}).report, one);
    EXPECT_EQ(run_report(9).report, one);
    EXPECT_EQ(run_report(9, {{"beds", std::nan("")}}).report, one);
    EXPECT_EQ(run_report(9, {{"beds", -5e12}}).report, one);

    ReportRun many = run_report(9, {{"beds", 45}});
    EXPECT_EQ(count_of(many.report, L"SpO2＿%；"), 30);
    EXPECT_EQ(count_of(many.report, L"%%"), 0);
    EXPECT_NE(many.report.find(lines({bed_line(L"30"), L"", closing})), std::wstring::npos);
    EXPECT_EQ(many.report.find(L"31 床"), std::wstring::npos);
}

// ---- kind 11: lab panels ---------------------------------------------------

TEST(LabPanels, PanelLineAndNoteLineOnly) {
    const struct {
        double panel;
        const wchar_t* line;
        const wchar_t* note;
    } cases[] = {
        {1, L"血常规（紫管 EDTA）：WBC、RBC、Hb、Hct、PLT、MCV/MCH/MCHC、中性/淋巴/单核/嗜酸/嗜碱比例。",
         L"注意：剧烈运动、情绪、采血时间可影响结果；PLT 聚集需涂片复核。"},
        {2, L"生化全套（红/金黄管）：肝功（ALT/AST/ALP/GGT/胆红素/白蛋白）、肾功（BUN/Cr/UA）、血糖、血脂、电解质。",
         L"注意：空腹 8-12 小时；溶血标本钾、AST 假性升高。"},
        {3, L"凝血四项（淡蓝管）：PT、INR、APTT、TT、纤维蛋白原、D-二聚体。", L"注意：采血量必须达刻度；肝素治疗中查 APTT。"},
        {4, L"甲状腺功能（红/金黄管）：TSH、FT3、FT4、TPOAb、TgAb。", L"注意：空腹；含碘造影剂后 1 周内避免复查。"},
        {5.5, L"心肌损伤标志物：cTnI/cTnT、CK-MB、肌红蛋白、BNP/NT-proBNP。",
         L"注意：胸痛发作后 2-4 小时开始升高；动态复查更有意义。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run_report(11, {{"panel", c.panel}}).report, lines({c.line, c.note})) << c.panel;
    }
    const std::wstring urine = lines({L"尿常规（清洁中段尿）：尿蛋白、尿糖、尿潜血、白细胞、亚硝酸盐、比重、pH、镜检。",
                                      L"注意：留取中段尿，1 小时内送检；月经期避免。"});
    ReportRun missing = run_report(11, {{"kind", 1}});
    EXPECT_EQ(missing.report, urine);
    EXPECT_EQ(missing.verdict, L"套餐与采血管已列出，按顺序采血");
    EXPECT_EQ(missing.level, 0);
    EXPECT_EQ(run_report(11, {{"panel", 6}}).report, urine);
    EXPECT_EQ(run_report(11, {{"panel", std::nan("")}}).report, urine);
}

TEST(FixedSheets, TheFirstOfTwoInputsWithTheSameKeyDecides) {
    ReportRun run = run_report(11, {{"panel", 3}, {"panel", 1}});
    EXPECT_EQ(run.report.rfind(L"凝血四项", 0), 0u);
}

}  // namespace
