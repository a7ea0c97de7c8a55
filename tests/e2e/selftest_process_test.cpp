// kaldrin.exe --selftest as a real process: where the report goes for each
// form of the command line, its bytes, and the exit codes.

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

const char WORKED_EXAMPLE[] =
    "TOOL|51|Kaldrin|\xE6\x8A\x97\xE5\x87\x9D\r\n"
    "LEVEL|0\r\n"
    "OUT|\xE5\x87\x8F\xE9\x87\x8F\xE6\x9D\xA1\xE4\xBB\xB6\xE6\x95\xB0|0|\xE9\xA1\xB9\r\n"
    "OUT|\xE9\x98\xBF\xE5\x93\x8C\xE6\xB2\x99\xE7\x8F\xAD\xE5\x89\x82\xE9\x87\x8F|5.0|mg bid\r\n"
    "VERDICT|\xE6\x8C\x89\xE6\xA0\x87\xE5\x87\x86\xE5\x89\x82\xE9\x87\x8F\xE4\xBD\xBF\xE7\x94\xA8"
    "\xEF\xBC\x8C\xE5\xAE\x9A\xE6\x9C\x9F\xE5\xA4\x8D\xE6\x9F\xA5\xE8\x82\xBE\xE5\x8A\x9F\xE8\x83\xBD\r\n"
    "DETAIL|\xE5\x87\x8F\xE9\x87\x8F\xE6\x9D\xA1\xE4\xBB\xB6\xE6\x95\xB0\xEF\xBC\x9A" "0 \xE9\xA1\xB9 "
    "\xE9\x98\xBF\xE5\x93\x8C\xE6\xB2\x99\xE7\x8F\xAD\xE5\x89\x82\xE9\x87\x8F\xEF\xBC\x9A" "5.0 mg bid \r\n"
    "ERRORS|0\r\n";

// The names in a folder, sorted, joined by "|".
std::wstring folder_listing(const std::wstring& folder) {
    std::wstring names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return L"<no folder>";
    std::vector<std::wstring> list;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") list.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(list.begin(), list.end());
    for (const std::wstring& name : list) names += (names.empty() ? L"" : L"|") + name;
    return names;
}

struct Case {
    const wchar_t* name;
    std::wstring arguments;
    std::wstring report;  // the file expected in the case's folder
};

}  // namespace

TEST(SelftestProcess, ReportPathForms) {
    const Case cases[] = {
        {L"alone", L"--selftest", L"selftest.txt"},
        {L"blanks_only", L"--selftest    ", L"selftest.txt"},
        {L"empty_quotes", L"--selftest \"\"", L"selftest.txt"},
        {L"bare", L"--selftest report.txt --more", L"report.txt"},
        {L"quoted", L"--selftest  \"自检 报告.txt\" --more", L"自检 报告.txt"},
        {L"unclosed", L"--selftest \"open quote.txt", L"open quote.txt"},
        {L"glued", L"--selftestglued.txt", L"glued.txt"},
        {L"first_wins", L"--selftest a.txt --selftest b.txt", L"a.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        std::wstring folder = make_work_folder(std::wstring(L"selftest_") + c.name);
        ProcessResult result = run_kaldrin(kaldrin_command(c.arguments), folder);
        ASSERT_TRUE(result.finished) << "kaldrin.exe did not end by itself";
        EXPECT_EQ(result.exit_code, 0u);
        EXPECT_EQ(folder_listing(folder), c.report);
        EXPECT_EQ(read_file_bytes(folder + L"\\" + c.report), WORKED_EXAMPLE);
    }
}

TEST(SelftestProcess, AbsolutePathWithBlanksReplacesAnOldReport) {
    std::wstring folder = make_work_folder(L"selftest_absolute");
    std::wstring inner = make_work_folder(L"selftest_absolute\\with blank");
    std::wstring report = inner + L"\\old report.txt";
    HANDLE old = CreateFileW(report.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(old, INVALID_HANDLE_VALUE);
    std::string garbage(30000, 'x');
    DWORD written = 0;
    WriteFile(old, garbage.data(), static_cast<DWORD>(garbage.size()), &written, nullptr);
    CloseHandle(old);

    ProcessResult result = run_kaldrin(kaldrin_command(L"--selftest \"" + report + L"\""), folder);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(read_file_bytes(report), WORKED_EXAMPLE);
}

TEST(SelftestProcess, TabIsPartOfThePath) {
    // The tab is not skipped: the name begins with it, which Windows does not
    // allow in a file name, so no report can be written and none is claimed.
    std::wstring folder = make_work_folder(L"selftest_tab");
    ProcessResult result = run_kaldrin(kaldrin_command(L"--selftest\ttab.txt"), folder);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 3u);
    EXPECT_EQ(folder_listing(folder), L"");
}

TEST(SelftestProcess, UnwritableReportExitsWithThree) {
    std::wstring folder = make_work_folder(L"selftest_unwritable");
    ProcessResult result = run_kaldrin(kaldrin_command(L"--selftest missing\\folder\\r.txt"), folder);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 3u);
    EXPECT_EQ(folder_listing(folder), L"");
}

TEST(SelftestProcess, OverlongPathIsRefusedNotCut) {
    // Folders deep enough that the first 519 characters of the path name a
    // different file that could be written: it must not be.
    std::wstring folder = make_work_folder(L"selftest_long");
    std::wstring path = folder;
    std::wstring relative;
    for (int i = 0; i < 3; ++i) {
        std::wstring part(150, static_cast<wchar_t>(L'a' + i));
        relative += (relative.empty() ? L"" : L"\\") + part;
        ASSERT_TRUE(CreateDirectoryW((folder + L"\\" + relative).c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
    }
    std::wstring report = relative + L"\\" + std::wstring(100, L'r') + L".txt";
    ASSERT_GT(report.size(), 519u);
    std::wstring cut_name = report.substr(0, 519);
    ASSERT_EQ(cut_name.find(L'\\', 460), std::wstring::npos);

    ProcessResult result = run_kaldrin(kaldrin_command(L"--selftest " + report), folder);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 3u);
    EXPECT_EQ(folder_listing(folder + L"\\" + relative), L"");

    // The longest accepted path works.
    std::wstring fits = relative + L"\\" + std::wstring(519 - relative.size() - 1, L'r');
    ASSERT_EQ(fits.size(), 519u);
    result = run_kaldrin(kaldrin_command(L"--selftest \"" + fits + L"\""), folder);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(read_file_bytes(folder + L"\\" + fits), WORKED_EXAMPLE);
}

TEST(SelftestProcess, OptionInsideTheProgramPathStartsTheSelftest) {
    // A copy of the program in a folder named "--selftest": the search finds
    // the option in the program's own path, so no window opens. What follows
    // it (\kaldrin.exe") is no valid file name, hence exit 3.
    std::wstring folder = make_work_folder(L"--selftest");
    std::wstring program = folder + L"\\kaldrin.exe";
    ASSERT_TRUE(CopyFileW(kaldrin_path().c_str(), program.c_str(), FALSE));
    ProcessResult result = run_program(program, L"\"" + program + L"\"", folder, 15000);
    ASSERT_TRUE(result.finished) << "a window opened";
    EXPECT_EQ(result.exit_code, 3u);
    EXPECT_EQ(folder_listing(folder), L"kaldrin.exe");
}

TEST(SelftestProcess, OtherSpellingsOpenTheWindow) {
    for (const wchar_t* arguments : {L"--SELFTEST x.txt", L"-selftest", L"/selftest"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(arguments)));
        KaldrinApp app;
        ASSERT_TRUE(app.start(arguments));
        EXPECT_EQ(app.close(), 0u);
    }
    EXPECT_FALSE(file_exists(work_path(L"selftest.txt")));
    EXPECT_FALSE(file_exists(work_path(L"x.txt")));
}
