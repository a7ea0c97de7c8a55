// The suite's report tools (tools/) in their own windows, at the inputs where
// the window could fail a report that is right in itself: the longest reports
// shown, copied and saved into the record file whole and scrolled to their
// last line, a tool without inputs that computes by F5 from the start, and
// each numbered choice at its last number, then typed outside its numbers
// and refused. The report texts come from the generators at a capacity no
// report reaches, so the window must show them as they are.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/tool.h"
#include "reports/reports.h"
#include "tests/e2e/e2e_support.h"

namespace {

struct ToolRow {
    const wchar_t* program;          // in the folder KALDRIN_TOOLS_DIR names
    const wchar_t* name;             // the window's title
    const wchar_t* record;           // its record file's name
    int kind;                        // its report kind
    std::vector<const char*> keys;   // its inputs' keys, in order
    std::vector<std::wstring> typed; // what is typed into them
    std::vector<double> values;      // the same as numbers
    int length;                      // of the whole report, in characters
    // Typed into field refused after the report is shown, and the refusal box's text.
    int refused = -1;
    const wchar_t* refused_text = nullptr;
    const wchar_t* refusal = nullptr;
};

const ToolRow ROWS[] = {
    // The longest report of all: 40 nurses over 31 days.
    {L"roster.exe", L"轮转排班表", L"T061.csv", REPORT_ROTATION_ROSTER, {"nurses", "days"}, {L"40", L"31"}, {40, 31}, 6390},
    {L"handover.exe", L"交接班模板", L"T069.csv", REPORT_HANDOVER_TEMPLATE, {"beds"}, {L"30"}, {30}, 2509},
    {L"dosetime.exe", L"给药时间表", L"T062.csv", REPORT_DOSING_TIMETABLE, {"start", "interval", "times"},
     {L"8", L"8", L"30"}, {8, 8, 30}, 478},
    {L"followup.exe", L"随访计划", L"T067.csv", REPORT_FOLLOW_UP_PLAN, {"start", "gap", "times"},
     {L"7", L"7", L"20"}, {7, 7, 20}, 445},
    // No inputs: the compute button has the focus, so F5 works at once.
    {L"surgcheck.exe", L"手术安全核查", L"T068.csv", REPORT_SURGICAL_CHECKLIST, {}, {}, {}, 215},
    // The numbered choices: the last number, the default line's own where the
    // sheet has one; above, below, a fraction and a letter are refused.
    {L"blooddraw.exe", L"采血顺序", L"T063.csv", REPORT_COLLECTION_ORDER, {"kind"}, {L"7"}, {7}, 165,
     0, L"8", L"第 1 项“本次采血项目编号（1-7）”请输入 1 到 7 的整数。"},
    {L"critical.exe", L"危急值", L"T064.csv", REPORT_CRITICAL_VALUES, {"kind"}, {L"7"}, {7}, 90,
     0, L"0", L"第 1 项“项目组编号（1-7）”请输入 1 到 7 的整数。"},
    {L"highalert.exe", L"高警示药品", L"T065.csv", REPORT_HIGH_ALERT_DRUGS, {"kind"}, {L"4"}, {4}, 76,
     0, L"abc", L"第 1 项“药品类别编号（1-4）”请输入 1 到 4 的整数。"},
    {L"ivcompat.exe", L"输液配伍核查", L"T066.csv", REPORT_IV_COMPATIBILITY, {"drugA", "drugB"}, {L"10", L"\uFF12"},
     {10, 2}, 142, 1, L"2.7", L"第 2 项“药物 B 编号（1-10）”请输入 1 到 10 的整数。"},
    {L"labpanel.exe", L"检验套餐", L"T071.csv", REPORT_LAB_PANELS, {"panel"}, {L"6"}, {6}, 67,
     0, L"-1", L"第 1 项“检验套餐编号（1-6）”请输入 1 到 6 的整数。"},
};

std::wstring report_of(const ToolRow& row) {
    std::vector<ToolInput> inputs;
    for (const char* key : row.keys) inputs.push_back({key, L"", nullptr, 0.0});
    ToolDef tool = {};
    tool.input_count = static_cast<int>(inputs.size());
    tool.inputs = inputs.data();
    tool.report_kind = row.kind;
    double values[MAX_TOOL_VALUES] = {};
    for (std::size_t i = 0; i < row.values.size(); ++i) values[i] = row.values[i];
    static wchar_t report[16384];
    wchar_t verdict[512];
    dispatch_report(row.kind, &tool, values, report, 16384, verdict, 512);
    return report;
}

// The result field of a row: the report on one line, CR dropped, LF a blank,
// in UTF-8 (the reports hold no comma or quote, so it stands unquoted).
std::string record_field_of(const std::wstring& report) {
    std::wstring flat;
    for (wchar_t c : report) {
        if (c != L'\r') flat += c == L'\n' ? L' ' : c;
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, flat.c_str(), static_cast<int>(flat.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, flat.c_str(), static_cast<int>(flat.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace

TEST(SuiteTools, LongestReportsShownCopiedAndScrolledWhole) {
    const std::wstring folder = environment(L"KALDRIN_TOOLS_DIR");
    ASSERT_FALSE(folder.empty()) << "KALDRIN_TOOLS_DIR is not set (run-e2e.sh: KALDRIN_TOOLS)";
    for (const ToolRow& row : ROWS) {
        SCOPED_TRACE(row.program);
        const std::wstring report = report_of(row);
        ASSERT_EQ(static_cast<int>(report.size()), row.length);

        KaldrinApp app;
        ASSERT_TRUE(app.start_program(folder + L"\\" + row.program));
        EXPECT_EQ(app.text(app.window()), row.name);
        if (row.keys.empty()) {
            EXPECT_EQ(app.focus(), app.control(ID_COMPUTE));
        }
        for (std::size_t i = 0; i < row.typed.size(); ++i) app.set_field(static_cast<int>(i), row.typed[i]);
        app.key_to_focus(VK_F5);
        // Compared by length first: a report cut short shows as two numbers.
        const std::wstring shown = app.result();
        EXPECT_EQ(shown.size(), report.size());
        EXPECT_TRUE(shown == report);

        app.click(ID_COPY);
        const std::wstring copied = read_clipboard_text();
        const std::wstring expected_copy = std::wstring(row.name) + L"\r\n" + report;
        EXPECT_EQ(copied.size(), expected_copy.size());
        EXPECT_TRUE(copied == expected_copy);

        // Saved, the record's row holds the same report whole.
        const std::wstring record = records_folder() + L"\\" + row.record;
        delete_file(record);
        app.click(ID_SAVE);
        ShownBox box = app.wait_message_box(10000, false);
        EXPECT_EQ(box.title, L"已保存");
        app.dismiss(box);
        ASSERT_EQ(report.find_first_of(L",\""), std::wstring::npos);
        const std::string bytes = read_file_bytes(record);
        std::string row_end = ",";
        row_end += record_field_of(report);
        row_end += "\r\n";
        ASSERT_GT(bytes.size(), row_end.size());
        EXPECT_EQ(bytes.compare(bytes.size() - row_end.size(), row_end.size(), row_end), 0)
            << "the record's row does not end with the whole report";
        EXPECT_EQ(bytes.find("\r\n"), bytes.rfind("\r\n", bytes.size() - 3)) << "header and one row";
        // The save tests expect a record folder they can empty.
        delete_file(record);

        // Scrolled to the bottom, the report's last character stands inside
        // the field.
        HWND field = app.control(ID_RESULT);
        SendMessageW(field, WM_VSCROLL, SB_BOTTOM, 0);
        app.sync();
        RECT client = {};
        GetClientRect(field, &client);
        LRESULT last = SendMessageW(field, EM_POSFROMCHAR, report.size() - 3, 0);
        int top = static_cast<short>(HIWORD(last));
        LRESULT first_line = SendMessageW(field, EM_POSFROMCHAR, 0, 0);
        LRESULT second_line = SendMessageW(field, EM_POSFROMCHAR, SendMessageW(field, EM_LINEINDEX, 1, 0), 0);
        int line_height = static_cast<short>(HIWORD(second_line)) - static_cast<short>(HIWORD(first_line));
        EXPECT_GT(line_height, 0);
        EXPECT_GE(top, 0);
        EXPECT_LE(top + line_height, client.bottom) << "the last line lies below the field";

        // A number no line answers to is refused like a non-number: the box
        // names the field and its numbers, the focus goes there, and the
        // report and the status line stay.
        if (row.refused >= 0) {
            app.set_field(row.refused, row.refused_text);
            app.click(ID_COMPUTE);
            ShownBox refusal = app.wait_message_box();
            EXPECT_EQ(refusal.title, L"输入有误");
            EXPECT_EQ(refusal.text, row.refusal);
            EXPECT_TRUE(refusal.warning_icon);
            app.dismiss(refusal);
            EXPECT_EQ(app.focus(), app.field(row.refused));
            EXPECT_TRUE(app.result() == report);
            EXPECT_TRUE(app.status_shows(L"记录已保存：" + record));  // the save's, untouched
        }
        EXPECT_EQ(app.close(), 0u);
    }
}

// A formula tool's choice fields (core/tool_choices.h) reach its window: a
// word in a yes/no field is refused, never read as 0 (否); 1 and the
// full-width 1 are taken.
TEST(SuiteTools, AFormulaToolsYesNoFieldTakesOnlyOneOrZero) {
    const std::wstring folder = environment(L"KALDRIN_TOOLS_DIR");
    ASSERT_FALSE(folder.empty()) << "KALDRIN_TOOLS_DIR is not set (run-e2e.sh: KALDRIN_TOOLS)";
    KaldrinApp app;
    ASSERT_TRUE(app.start_program(folder + L"\\chadsvasc.exe"));
    for (const wchar_t* yes : {L"1", L"\uFF11"}) {
        app.set_field(3, yes);
        app.key_to_focus(VK_F5);
        EXPECT_EQ(app.result(), L"CHA₂DS₂-VASc：2 分\r\nCHA₂DS₂-VA（不计性别）：2 分\r\n");
    }
    app.set_field(3, L"\u662F");
    app.click(ID_COMPUTE);
    ShownBox refusal = app.wait_message_box();
    EXPECT_EQ(refusal.title, L"输入有误");
    EXPECT_EQ(refusal.text, L"第 4 项“高血压”请填 1（是）或 0（否）。");
    app.dismiss(refusal);
    EXPECT_EQ(app.focus(), app.field(3));
    EXPECT_EQ(app.result(), L"CHA₂DS₂-VASc：2 分\r\nCHA₂DS₂-VA（不计性别）：2 分\r\n");
    EXPECT_EQ(app.close(), 0u);
}
