#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "app/file_open.h"
#include "app/selftest.h"
#include "core/format.h"
#include "core/tool.h"
#include "core/utf8.h"

namespace {

std::string read_bytes(const wchar_t* path) {
    std::string bytes;
    std::FILE* file = open_file(path, "rb");
    if (file == nullptr) return "<missing>";
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

bool exists(const wchar_t* path) {
    std::FILE* file = open_file(path, "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

void write_bytes(const wchar_t* path, const std::string& bytes) {
    std::FILE* file = open_file(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void remove_file(const wchar_t* path) {
#ifdef _WIN32
    _wremove(path);
#else
    std::string narrow;
    write_utf8(path, std::wcslen(path), append_to_string, &narrow);
    std::remove(narrow.c_str());
#endif
}

// Removes the file before and after the test, whatever its outcome.
struct TempFile {
    const wchar_t* path;
    explicit TempFile(const wchar_t* p) : path(p) { remove_file(path); }
    ~TempFile() { remove_file(path); }
};

const char WORKED_EXAMPLE[] =
    "TOOL|51|Kaldrin|\xE6\x8A\x97\xE5\x87\x9D\r\n"                       // 抗凝
    "LEVEL|0\r\n"
    "OUT|\xE5\x87\x8F\xE9\x87\x8F\xE6\x9D\xA1\xE4\xBB\xB6\xE6\x95\xB0|0|\xE9\xA1\xB9\r\n"  // 减量条件数 项
    "OUT|\xE9\x98\xBF\xE5\x93\x8C\xE6\xB2\x99\xE7\x8F\xAD\xE5\x89\x82\xE9\x87\x8F|5.0|mg bid\r\n"  // 阿哌沙班剂量
    "VERDICT|\xE6\x8C\x89\xE6\xA0\x87\xE5\x87\x86\xE5\x89\x82\xE9\x87\x8F\xE4\xBD\xBF\xE7\x94\xA8"
    "\xEF\xBC\x8C\xE5\xAE\x9A\xE6\x9C\x9F\xE5\xA4\x8D\xE6\x9F\xA5\xE8\x82\xBE\xE5\x8A\x9F\xE8\x83\xBD\r\n"
    "DETAIL|\xE5\x87\x8F\xE9\x87\x8F\xE6\x9D\xA1\xE4\xBB\xB6\xE6\x95\xB0\xEF\xBC\x9A" "0 \xE9\xA1\xB9 "
    "\xE9\x98\xBF\xE5\x93\x8C\xE6\xB2\x99\xE7\x8F\xAD\xE5\x89\x82\xE9\x87\x8F\xEF\xBC\x9A" "5.0 mg bid \r\n"
    "ERRORS|0\r\n";

// A tool of the test's own: the first output's value is not finite (a formula
// failure), the second names the first and so reads 0.0 for it in the report.
const ToolInput two_inputs[] = {
    {"x", L"甲", L"", 2.0},
    {"y", L"乙", nullptr, 3.0},
};
const ToolOutput failing_outputs[] = {
    {"big", L"大数", L"单位", "1e308*10", "f0"},
    {"sum", L"和", nullptr, "x+y", "f1"},
};
const ToolOutput chained_outputs[] = {
    {"a", L"甲值", nullptr, "x*10", "f0"},
    {"b", L"乙值", nullptr, "a+1", "f0"},
};
const ToolRule no_rules[] = {{"", 1, L"提示"}};

ToolDef make_tool(const ToolOutput* outputs, int count) {
    return ToolDef{900, L"测试", nullptr, L"试验", L"", nullptr, 2, two_inputs, count, outputs, 1, no_rules, 0};
}

}  // namespace

TEST(Selftest, WorkedExampleBytesAreExact) {
    TempFile file(L"selftest_worked_example.txt");
    EXPECT_EQ(run_selftest(get_tool(), file.path), SELFTEST_PASSED);
    EXPECT_EQ(read_bytes(file.path), std::string(WORKED_EXAMPLE));
}

TEST(Selftest, ExistingFileIsReplacedWhole) {
    TempFile file(L"selftest_replaced.txt");
    write_bytes(file.path, std::string(20000, 'x'));
    EXPECT_EQ(run_selftest(get_tool(), file.path), SELFTEST_PASSED);
    EXPECT_EQ(read_bytes(file.path), std::string(WORKED_EXAMPLE));
}

TEST(Selftest, WidePathWithBlanksAndChinese) {
    TempFile file(L"自检 报告.txt");
    EXPECT_EQ(run_selftest(get_tool(), file.path), SELFTEST_PASSED);
    EXPECT_EQ(read_bytes(file.path), std::string(WORKED_EXAMPLE));
}

TEST(Selftest, FailingFormulaGivesExitTwoAndStillWritesItsLine) {
    TempFile file(L"selftest_failing.txt");
    ToolDef tool = make_tool(failing_outputs, 2);
    EXPECT_EQ(run_selftest(&tool, file.path), SELFTEST_FORMULA_FAILED);
    std::string bytes = read_bytes(file.path);
    EXPECT_NE(bytes.find("OUT|\xE5\xA4\xA7\xE6\x95\xB0|--|\xE5\x8D\x95\xE4\xBD\x8D\r\n"), std::string::npos) << bytes;
    // An absent unit leaves the line ending in the separator.
    EXPECT_NE(bytes.find("OUT|\xE5\x92\x8C|5.0|\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\r\nERRORS|1\r\n"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "ERRORS|1\r\n");
}

TEST(Selftest, EachOutputIsComputedOnItsOwn) {
    ToolDef tool = make_tool(chained_outputs, 2);
    static wchar_t report[SELFTEST_REPORT_CAPACITY];
    int errors = -1;
    ASSERT_TRUE(build_selftest_report(&tool, report, SELFTEST_REPORT_CAPACITY, &errors));
    EXPECT_EQ(errors, 0);
    // The OUT line reads 0 for the output it names; the DETAIL line shows the
    // evaluation, where the first output is known.
    EXPECT_EQ(std::wstring(report),
              L"TOOL|900|测试|试验\r\n"
              L"LEVEL|1\r\n"
              L"OUT|甲值|20|\r\n"
              L"OUT|乙值|1|\r\n"
              L"VERDICT|提示\r\n"
              L"DETAIL|甲值：20 乙值：21 \r\n"
              L"ERRORS|0\r\n");
}

TEST(Selftest, ReportToolHasOneFixedOutLine) {
    ToolDef tool = make_tool(chained_outputs, 2);
    tool.report_kind = 99;
    static wchar_t report[SELFTEST_REPORT_CAPACITY];
    int errors = -1;
    ASSERT_TRUE(build_selftest_report(&tool, report, SELFTEST_REPORT_CAPACITY, &errors));
    std::wstring text(report);
    EXPECT_EQ(errors, 0);
    std::size_t first = text.find(L"\r\nOUT|");
    ASSERT_NE(first, std::wstring::npos);
    EXPECT_EQ(text.find(L"\r\nOUT|", first + 1), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nOUT|报告文本|见 DETAIL|\r\nVERDICT|"), std::wstring::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 10), L"ERRORS|0\r\n");
}

TEST(Selftest, LongReportIsWrittenWhole) {
    // Sixteen outputs with long labels make a report far beyond 8191 UTF-8
    // bytes; every byte of it must reach the file.
    static std::wstring labels[MAX_TOOL_VALUES];
    static ToolOutput outputs[MAX_TOOL_VALUES];
    for (int i = 0; i < MAX_TOOL_VALUES; ++i) {
        labels[i] = std::wstring(200, static_cast<wchar_t>(L'一' + i));
        outputs[i] = ToolOutput{"o", labels[i].c_str(), L"mg", "x", "f0"};
    }
    ToolDef tool = make_tool(outputs, MAX_TOOL_VALUES);
    static wchar_t report[SELFTEST_REPORT_CAPACITY];
    int errors = -1;
    ASSERT_TRUE(build_selftest_report(&tool, report, SELFTEST_REPORT_CAPACITY, &errors));
    std::wstring text(report);
    std::size_t detail = text.find(L"\r\nDETAIL|");
    ASSERT_NE(detail, std::wstring::npos);
    std::size_t detail_end = text.find(L"\r\n", detail + 2);
    std::wstring line = text.substr(detail + 9, detail_end - detail - 9);
    EXPECT_EQ(line.find(L'\r'), std::wstring::npos);
    EXPECT_EQ(line.find(L'\n'), std::wstring::npos);
    // Each result line, label, colon, value, blank, unit, loses its CR and
    // ends in a blank.
    EXPECT_EQ(line.size(), 16u * 206u);
    EXPECT_EQ(line.substr(200, 6), L"：2 mg ");

    TempFile file(L"selftest_long.txt");
    EXPECT_EQ(run_selftest(&tool, file.path), SELFTEST_PASSED);
    std::string bytes = read_bytes(file.path);
    EXPECT_GT(bytes.size(), 2u * 8191u);
    std::size_t chinese = 0;
    for (wchar_t c : text) chinese += c >= 0x800 ? 1 : 0;
    EXPECT_EQ(bytes.size(), text.size() + 2 * chinese);
    EXPECT_EQ(bytes.substr(0, 15), "TOOL|900|\xE6\xB5\x8B\xE8\xAF\x95");
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "ERRORS|0\r\n");
}

TEST(Selftest, ReportThatDoesNotFitIsNotPassedOffAsWhole) {
    static std::wstring name(SELFTEST_REPORT_CAPACITY, L'名');
    ToolDef tool = make_tool(chained_outputs, 2);
    tool.name = name.c_str();
    static wchar_t report[SELFTEST_REPORT_CAPACITY];
    int errors = -1;
    EXPECT_FALSE(build_selftest_report(&tool, report, SELFTEST_REPORT_CAPACITY, &errors));
    EXPECT_EQ(std::wstring(report).size(), static_cast<std::size_t>(SELFTEST_REPORT_CAPACITY - 1));

    TempFile file(L"selftest_cut.txt");
    EXPECT_EQ(run_selftest(&tool, file.path), SELFTEST_NOT_WRITTEN);
}

TEST(Selftest, UnwritableReportGivesExitThree) {
    EXPECT_EQ(run_selftest(get_tool(), L"no_such_folder_kaldrin/sub/report.txt"), SELFTEST_NOT_WRITTEN);
    EXPECT_FALSE(exists(L"no_such_folder_kaldrin/sub/report.txt"));
    // Also when the formulas failed: the report is missing, so 2 would tell
    // the caller nothing true.
    ToolDef tool = make_tool(failing_outputs, 2);
    EXPECT_EQ(run_selftest(&tool, L"no_such_folder_kaldrin/report.txt"), SELFTEST_NOT_WRITTEN);
}

#ifndef _WIN32
TEST(Selftest, ShortWriteGivesExitThree) {
    // /dev/full opens but refuses every byte.
    EXPECT_FALSE(write_utf8_file(L"/dev/full", L"TOOL|1\r\n"));
    EXPECT_EQ(run_selftest(get_tool(), L"/dev/full"), SELFTEST_NOT_WRITTEN);
}
#endif

TEST(Selftest, WriteUtf8FileHasNoLimitAndNoByteOrderMark) {
    TempFile file(L"selftest_utf8.txt");
    std::wstring text;
    for (int i = 0; i < 30000; ++i) text += (i % 3 == 0) ? L'a' : L'汉';
    ASSERT_TRUE(write_utf8_file(file.path, text.c_str()));
    std::string bytes = read_bytes(file.path);
    EXPECT_EQ(bytes.size(), 10000u + 20000u * 3u);
    EXPECT_EQ(bytes.substr(0, 4), "a\xE6\xB1\x89");

    ASSERT_TRUE(write_utf8_file(file.path, L""));
    EXPECT_EQ(read_bytes(file.path), "");
}

TEST(Selftest, DeclaredReportComparedWithItsDatesPutIn) {
    struct Row {
        const char* what;
        const char* declared;
        const char* written;
        long long day;
        int line;  // the first line that differs, 0 when the reports match
    };
    const long long year_end = days_from_civil(2026, 12, 31);
    const long long leap = days_from_civil(2028, 2, 28);
    const Row rows[] = {
        {"no token", "TOOL|51|x\r\nERRORS|0\r\n", "TOOL|51|x\r\nERRORS|0\r\n", year_end, 0},
        {"today at the start", "{today}|x\r\n", "2026-12-31|x\r\n", year_end, 0},
        {"into the next year in the middle", "a {today+1} b\r\n", "a 2027-01-01 b\r\n", year_end, 0},
        {"back a day at the end", "a\r\n{today-1}", "a\r\n2026-12-30", year_end, 0},
        {"the leap day and a year on", "{today+1} {today+366}", "2028-02-29 2029-02-28", leap, 0},
        {"back over the month's end", "{today-28}", "2028-01-31", leap, 0},
        {"the date of another day", "x\r\n{today}\r\n", "x\r\n2026-12-30\r\n", year_end, 2},
        {"a token without its number, literally", "{today+}", "{today+}", year_end, 0},
        {"a token without its number is no date", "{today+}", "2026-12-31", year_end, 1},
        {"another word in braces, literally", "{tomorrow}", "{tomorrow}", year_end, 0},
        {"a token left in the written report", "{today}", "{today}", year_end, 1},
        {"one byte differs", "TOOL|51|x\r\nERRORS|0\r\n", "TOOL|51|x\r\nERRORS|1\r\n", year_end, 2},
        {"lines ended by LF alone", "TOOL|51|x\r\nERRORS|0\r\n", "TOOL|51|x\nERRORS|0\n", year_end, 1},
        {"a line more written", "a\r\n", "a\r\n\r\n", year_end, 2},
        {"the written report cut short", "a\r\nb", "a\r\n", year_end, 2},
        {"nothing written", "a", "", year_end, 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(selftest_report_mismatch(row.declared, std::strlen(row.declared), row.written,
                                           std::strlen(row.written), row.day),
                  row.line)
            << row.what;
    }
}
