// The second tool's program (tests/second_tool: tool 906, the IV
// compatibility check, a report tool), built from the same framework and
// window code as kaldrin.exe: its own title, labels and defaults, its report
// in the result field with the verdict in its level's colour, its clipboard
// text, its own record file and its own self-test report.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

const std::wstring NAME = L"IV 配伍核查";
// Drugs 6 and 7, the defaults: a level-1 pair.
const std::wstring REPORT =
    L"待查：6 号 奥美拉唑  +  7 号 维生素C\r\n"
    L"\r\n"
    L"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索\r\n"
    L"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺\r\n"
    L"\r\n"
    L"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。\r\n";
const std::wstring VERDICT = L"建议分开输注";
// The report on one line (each line break a blank), as the record row and the
// self-test report hold it; UTF-8.
const std::string REPORT_ON_ONE_LINE = std::string("待查：6 号 奥美拉唑  +  7 号 维生素C") + " " + " " +
                                       "编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索" + " " +
                                       "      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺" + " " + " " +
                                       "结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。" + " ";

constexpr std::uint32_t AMBER = rgb(176, 132, 0);
constexpr std::uint32_t GREEN = rgb(0, 128, 96);
constexpr RECT VERDICT_RECT = {492, 142, 984, 188};

// Deletes a file when the test ends, passed or failed: the save tests of
// kaldrin.exe start by removing a record folder that must then be empty.
struct DeletedAtEnd {
    std::wstring path;
    ~DeletedAtEnd() { delete_file(path); }
};

bool have_second_tool() {
    return !second_tool_path().empty();
}

}  // namespace

TEST(SecondTool, WindowShowsItsDefinitionComputesCopiesAndSaves) {
    ASSERT_TRUE(have_second_tool()) << "KALDRIN_SECOND_TOOL_EXE is not set (run-e2e.sh: KALDRIN_SECOND_TOOL)";
    const DeletedAtEnd record_file{records_folder() + L"\\T906.csv"};
    const std::wstring& record = record_file.path;
    delete_file(record);

    KaldrinApp app;
    ASSERT_TRUE(app.start_program(second_tool_path()));
    EXPECT_EQ(app.text(app.window()), NAME);
    // Two input rows of label, field and unit, from the tool's definition.
    std::vector<HWND> children = app.children();
    ASSERT_GE(children.size(), 6u);
    EXPECT_EQ(app.text(children[0]), L"药物 A 编号");
    EXPECT_EQ(app.text(children[2]), L"号");
    EXPECT_EQ(app.text(children[3]), L"药物 B 编号");
    EXPECT_EQ(app.field_text(0), L"6");
    EXPECT_EQ(app.field_text(1), L"7");
    EXPECT_TRUE(app.title_shows(NAME));

    // The report takes the place of the result text; level 1 paints amber.
    app.click(ID_COMPUTE);
    EXPECT_EQ(app.result(), REPORT);
    EXPECT_EQ(app.verdict(), VERDICT);
    Capture picture = app.capture();
    save_screenshot(picture, L"second_tool.bmp");
    EXPECT_GT(picture.count(AMBER, VERDICT_RECT.left, VERDICT_RECT.top, VERDICT_RECT.right, VERDICT_RECT.bottom), 100);
    EXPECT_EQ(picture.count(GREEN, VERDICT_RECT.left, VERDICT_RECT.top, VERDICT_RECT.right, VERDICT_RECT.bottom), 0);
    EXPECT_TRUE(app.status_shows(L"计算完成  " + NAME));

    app.click(ID_COPY);
    EXPECT_EQ(read_clipboard_text(), NAME + L"\r\n" + REPORT);

    app.click(ID_SAVE);
    ShownBox saved = app.wait_message_box();
    EXPECT_EQ(saved.title, L"已保存");
    app.dismiss(saved);
    // T906.csv: byte-order mark, a header of this tool's inputs, one row
    // (time "YYYY-MM-DD hh:mm:ss", name, inputs, the report on one line).
    const std::string bytes = read_file_bytes(record);
    const std::string head = "\xEF\xBB\xBF时间,工具,药物 A 编号,药物 B 编号,结果\r\n";
    const std::string rest = ",IV 配伍核查,药物 A 编号=6,药物 B 编号=7," + REPORT_ON_ONE_LINE + "\r\n";
    ASSERT_EQ(bytes.size(), head.size() + 19 + rest.size()) << bytes;
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    EXPECT_EQ(bytes.substr(head.size() + 19), rest);

    // The About text carries this program's own version.
    app.click(ID_ABOUT);
    ShownBox about = app.wait_message_box();
    EXPECT_EQ(about.text.rfind(NAME + L"\r\n", 0), 0u);
    EXPECT_NE(about.text.find(L"\r\n\r\n版本 V0.9    官网：www.noltmed.example"), std::wstring::npos);
    app.dismiss(about);
    EXPECT_EQ(app.close(), 0u);
}

TEST(SecondTool, SelftestWritesItsOwnReport) {
    ASSERT_TRUE(have_second_tool()) << "KALDRIN_SECOND_TOOL_EXE is not set (run-e2e.sh: KALDRIN_SECOND_TOOL)";
    std::wstring folder = make_work_folder(L"second_tool_selftest");
    ProcessResult result =
        run_program(second_tool_path(), program_command(second_tool_path(), L"--selftest"), folder);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(read_file_bytes(folder + L"\\selftest.txt"),
              "TOOL|906|IV 配伍核查|输液安全\r\n"
              "LEVEL|1\r\n"
              "OUT|报告文本|见 DETAIL|\r\n"
              "VERDICT|建议分开输注\r\n"
              "DETAIL|" + REPORT_ON_ONE_LINE + "\r\n"
              "ERRORS|0\r\n");
}
