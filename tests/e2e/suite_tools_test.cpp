// The suite's report tools (tools/) in their own windows, at the inputs where
// the window could fail a report that is right in itself: the longest reports
// shown and copied whole and scrolled to their last line, and a tool without
// inputs that computes by F5 from the start. The report texts come from the
// generators at a capacity no report reaches, so the window must show them
// as they are.

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
    int kind;                        // its report kind
    std::vector<const char*> keys;   // its inputs' keys, in order
    std::vector<std::wstring> typed; // what is typed into them
    std::vector<double> values;      // the same as numbers
    int length;                      // of the whole report, in characters
};

const ToolRow ROWS[] = {
    // The longest report of all: 40 nurses over 31 days.
    {L"roster.exe", L"轮转排班表", REPORT_ROTATION_ROSTER, {"nurses", "days"}, {L"40", L"31"}, {40, 31}, 6390},
    {L"handover.exe", L"交接班模板", REPORT_HANDOVER_TEMPLATE, {"beds"}, {L"30"}, {30}, 2509},
    {L"dosetime.exe", L"给药时间表", REPORT_DOSING_TIMETABLE, {"start", "interval", "times"},
     {L"8", L"8", L"30"}, {8, 8, 30}, 478},
    // No inputs: the compute button has the focus, so F5 works at once.
    {L"surgcheck.exe", L"手术安全核查", REPORT_SURGICAL_CHECKLIST, {}, {}, {}, 215},
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
        EXPECT_EQ(app.close(), 0u);
    }
}
