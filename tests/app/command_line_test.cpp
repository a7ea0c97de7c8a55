#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace {

struct Found {
    SelftestRequest request;
    std::wstring path;
};

Found search(const std::wstring& line, int capacity = SELFTEST_PATH_CAPACITY) {
    wchar_t path[SELFTEST_PATH_CAPACITY + 8];
    path[0] = L'\0';
    SelftestRequest request = find_selftest_request(line.c_str(), path, capacity);
    return {request, request == SelftestRequest::run ? std::wstring(path) : std::wstring()};
}

const std::wstring PROGRAM = L"\"C:\\Program Files\\NoltMed\\kaldrin.exe\" ";

}  // namespace

TEST(SelftestCommandLine, WithoutTheOptionTheWindowOpens) {
    EXPECT_EQ(search(L"kaldrin.exe").request, SelftestRequest::none);
    EXPECT_EQ(search(PROGRAM + L"--SELFTEST out.txt").request, SelftestRequest::none);
    EXPECT_EQ(search(PROGRAM + L"-selftest out.txt").request, SelftestRequest::none);
    EXPECT_EQ(search(PROGRAM + L"--selftes").request, SelftestRequest::none);
    EXPECT_EQ(search(L"").request, SelftestRequest::none);
    EXPECT_EQ(find_selftest_request(nullptr, nullptr, 0), SelftestRequest::none);
}

TEST(SelftestCommandLine, BarePathEndsAtTheNextBlank) {
    EXPECT_EQ(search(PROGRAM + L"--selftest out.txt").path, L"out.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest C:\\reports\\r.txt --other").path, L"C:\\reports\\r.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest     spaced.txt").path, L"spaced.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest 报告.txt").path, L"报告.txt");
}

TEST(SelftestCommandLine, QuotedPathKeepsItsBlanks) {
    Found found = search(PROGRAM + L"--selftest \"C:\\My Reports\\self test.txt\" --more");
    EXPECT_EQ(found.request, SelftestRequest::run);
    EXPECT_EQ(found.path, L"C:\\My Reports\\self test.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest  \"a b\"c").path, L"a b");
}

TEST(SelftestCommandLine, UnclosedQuoteRunsToTheEnd) {
    EXPECT_EQ(search(PROGRAM + L"--selftest \"C:\\a b\\c d.txt").path, L"C:\\a b\\c d.txt");
}

TEST(SelftestCommandLine, GluedPathIsTaken) {
    EXPECT_EQ(search(PROGRAM + L"--selftestreport.txt").path, L"report.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest\"x y.txt\"").path, L"x y.txt");
    EXPECT_EQ(search(PROGRAM + L"x--selftest=r.txt").path, L"=r.txt");
}

TEST(SelftestCommandLine, TabIsNotSkipped) {
    EXPECT_EQ(search(PROGRAM + L"--selftest\tout.txt").path, L"\tout.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest \tout.txt x").path, L"\tout.txt");
}

TEST(SelftestCommandLine, EmptyPathGivesTheDefaultFile) {
    EXPECT_EQ(search(PROGRAM + L"--selftest").path, L"selftest.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest    ").path, L"selftest.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest \"\"").path, L"selftest.txt");
    EXPECT_EQ(search(PROGRAM + L"--selftest \"").path, L"selftest.txt");
    EXPECT_EQ(search(L"--selftest").request, SelftestRequest::run);
}

TEST(SelftestCommandLine, OptionInsideTheProgramPathCounts) {
    // The search is over the whole line, so a folder named so switches too;
    // the path is what follows it, up to the next blank.
    Found found = search(L"\"C:\\--selftest\\kaldrin.exe\"");
    EXPECT_EQ(found.request, SelftestRequest::run);
    EXPECT_EQ(found.path, L"\\kaldrin.exe\"");
}

TEST(SelftestCommandLine, FirstOccurrenceDecides) {
    EXPECT_EQ(search(PROGRAM + L"--selftest a.txt --selftest b.txt").path, L"a.txt");
}

TEST(SelftestCommandLine, LongestPathFitsAndOneMoreIsRefused) {
    std::wstring longest(519, L'p');
    EXPECT_EQ(search(PROGRAM + L"--selftest " + longest).path, longest);
    EXPECT_EQ(search(PROGRAM + L"--selftest \"" + longest + L"\"").path, longest);

    // One character more is refused whole, never cut to another file's name.
    std::wstring too_long(520, L'p');
    EXPECT_EQ(search(PROGRAM + L"--selftest " + too_long).request, SelftestRequest::path_too_long);
    std::wstring quoted = L"\"" + std::wstring(300, L'a') + L" " + std::wstring(219, L'b') + L"\"";
    EXPECT_EQ(search(PROGRAM + L"--selftest " + quoted).request, SelftestRequest::path_too_long);
}

TEST(SelftestCommandLine, CapacityBoundsEveryPath) {
    EXPECT_EQ(search(L"--selftest abcd", 5).path, L"abcd");
    EXPECT_EQ(search(L"--selftest abcde", 5).request, SelftestRequest::path_too_long);
    // The default name needs 13 characters of room like any other path.
    EXPECT_EQ(search(L"--selftest", 12).request, SelftestRequest::path_too_long);
    EXPECT_EQ(search(L"--selftest", 13).path, L"selftest.txt");
}
