// Three-shift rotation roster: one shift letter per nurse and day.

#include "core/text.h"
#include "reports/generators.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"

namespace {

constexpr const ReportParameter& NURSES = report_parameter(REPORT_ROTATION_ROSTER, "nurses");
constexpr const ReportParameter& DAYS = report_parameter(REPORT_ROTATION_ROSTER, "days");
constexpr int MAX_DAYS = DAYS.high;
constexpr int LABEL_CAPACITY = 12;
constexpr int ENTRY_CAPACITY = 16;
static_assert(2 + 9 * 4 + (MAX_DAYS - 9) * 5 < REPORT_LINE_CAPACITY, "a schedule line fits one report line");

// Nurse i on day d (both from 1): D, N, R by ((i - 1) + 2(d - 1)) mod 3, so
// each nurse cycles D, R, N and the day shift passes to the next nurse daily.
wchar_t shift_letter(int nurse, int day) {
    static const wchar_t letters[3] = {L'D', L'N', L'R'};
    return letters[((nurse - 1) + 2 * (day - 1)) % 3];
}

}  // namespace

int report_rotation_roster(const ToolDef* tool, const double* values, wchar_t* report,
                           int report_capacity, wchar_t* verdict, int verdict_capacity) {
    int nurses = report_int(tool, values, NURSES);
    int days = report_int(tool, values, DAYS);

    append_line(report, report_capacity,
                L"排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，按人员顺序滚动。");
    append_line(report, report_capacity, L"人员：%d 人；周期：%d 天", nurses, days);
    append_line(report, report_capacity, L"");
    for (int nurse = 1; nurse <= nurses; ++nurse) {
        wchar_t label[LABEL_CAPACITY];
        text_format(label, LABEL_CAPACITY, L"护士%02d", nurse);
        append_line(report, report_capacity, L"%ls：", label);
        // The schedule line is put together first and appended once: the
        // bounded append keeps a prefix, so the report is cut exactly where
        // piece-by-piece appends would cut it, without rescanning the report
        // for every day. Its longest text, 2 + 9 × 4 + 22 × 5 characters, fits.
        wchar_t schedule[REPORT_LINE_CAPACITY];
        text_copy(schedule, REPORT_LINE_CAPACITY, L"  ");
        for (int day = 1; day <= days; ++day) {
            wchar_t entry[ENTRY_CAPACITY];
            text_format(entry, ENTRY_CAPACITY, L"%d日%c ", day, shift_letter(nurse, day));
            text_append(schedule, REPORT_LINE_CAPACITY, entry);
        }
        append_line(report, report_capacity, schedule);
    }
    append_line(report, report_capacity, L"");
    append_line(report, report_capacity, L"提示：连续夜班不超过 2 个，夜班后应安排休息；请按科室实际人数与能级调整。");
    text_copy(verdict, verdict_capacity, L"已生成轮转排班表，可复制到排班本或表格");
    return 0;
}
