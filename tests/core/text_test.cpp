// The bounded-text rule and our own formatter, which must give the same
// characters on every C runtime.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <type_traits>

#include "core/text.h"

namespace {

// What text_format writes at the capacity, into a buffer of '#'.
template <typename... Args>
std::wstring formatted(int capacity, TextFormat<std::type_identity_t<Args>...> format, Args... args) {
    wchar_t buffer[512];
    for (wchar_t& c : buffer) c = L'#';
    text_format(buffer, capacity, format, args...);
    return buffer;
}

// The same through the entry for a format known only at run time.
template <typename... Args>
std::wstring formatted_at_run_time(int capacity, const wchar_t* format, Args... args) {
    wchar_t buffer[512];
    for (wchar_t& c : buffer) c = L'#';
    const auto packed = text_args(args...);
    text_vformat(buffer, capacity, format, packed.data(), static_cast<int>(packed.size()));
    return buffer;
}

TEST(Text, CopyCutsAtCapacityMinusOneAndTerminates) {
    wchar_t buffer[8];
    for (wchar_t& c : buffer) c = L'#';
    EXPECT_EQ(text_copy(buffer, 5, L"abcdefg"), 4);
    EXPECT_EQ(std::wstring(buffer), L"abcd");
    EXPECT_EQ(buffer[5], L'#');  // nothing past the capacity
    EXPECT_EQ(text_copy(buffer, 1, L"abc"), 0);
    EXPECT_EQ(std::wstring(buffer), L"");
    EXPECT_EQ(text_copy(buffer, 8, nullptr), 0);
    EXPECT_EQ(std::wstring(buffer), L"");
    buffer[0] = L'x';
    text_copy(buffer, 0, L"abc");  // no room at all: untouched
    EXPECT_EQ(buffer[0], L'x');
}

TEST(Text, AppendRule) {
    wchar_t buffer[10] = L"abc";
    EXPECT_EQ(text_append(buffer, 10, L"defghijkl"), 9);
    EXPECT_EQ(std::wstring(buffer), L"abcdefghi");
    // Full: nothing more is appended.
    EXPECT_EQ(text_append(buffer, 10, L"z"), 9);
    EXPECT_EQ(std::wstring(buffer), L"abcdefghi");

    wchar_t part[10] = L"ab";
    EXPECT_EQ(text_append_n(part, 10, L"cdef", 2), 4);
    EXPECT_EQ(std::wstring(part), L"abcd");
    EXPECT_EQ(text_append_n(part, 6, L"\r\n", 2), 5);  // only the "\r" fits
    EXPECT_EQ(std::wstring(part), L"abcd\r");
}

TEST(Text, FormatIntegers) {
    EXPECT_EQ(formatted(64, L"%d|%i|%5d|%-5d|%05d|%+d|% d", 42, -7, 42, 42, -42, 3, 3), L"42|-7|   42|42   |-0042|+3| 3");
    EXPECT_EQ(formatted(64, L"%02d:%02d", 4, 20), L"04:20");
    EXPECT_EQ(formatted(64, L"%03d", 51), L"051");
    EXPECT_EQ(formatted(64, L"%03d", 1234), L"1234");
    EXPECT_EQ(formatted(64, L"%d %d", std::numeric_limits<int>::min(), std::numeric_limits<int>::max()),
              L"-2147483648 2147483647");
    EXPECT_EQ(formatted(64, L"%04lld-%02lld", -1LL, 3LL), L"-001-03");
    EXPECT_EQ(formatted(64, L"%lld", std::numeric_limits<long long>::min()), L"-9223372036854775808");
    EXPECT_EQ(formatted(64, L"%u %lu", 4000000000u, 7ul), L"4000000000 7");
    // The small integer types and float count as the type printf promotes them to.
    EXPECT_EQ(formatted(64, L"%d|%d|%u|%u|%.2f", static_cast<short>(-3), static_cast<signed char>(-4),
                        static_cast<unsigned short>(65535), static_cast<unsigned char>(255), 0.25f),
              L"-3|-4|65535|255|0.25");
}

TEST(Text, SignFlags) {
    // '+' and ' ' put a sign before signed numbers; unsigned numbers have none.
    EXPECT_EQ(formatted(64, L"%+d|% d|%+d|% d", 5, 5, -5, -5), L"+5| 5|-5|-5");
    EXPECT_EQ(formatted(64, L"%+lld|% 4lld", 7LL, 7LL), L"+7|   7");
    EXPECT_EQ(formatted(64, L"%+.1f|% .1f|%+g", 2.5, 2.5, 0.0), L"+2.5| 2.5|+0");
    EXPECT_EQ(formatted(64, L"%+ d|% +d", 1, 1), L"+1|+1");  // '+' wins over ' '
    EXPECT_EQ(formatted(64, L"%+u|% u|%+05u|% 3u", 5u, 5u, 5u, 5u), L"5|5|00005|  5");
    EXPECT_EQ(formatted(64, L"%+lu|% llu", 4000000000UL, 18446744073709551615ULL),
              L"4000000000|18446744073709551615");
}

TEST(Text, FormatTexts) {
    EXPECT_EQ(formatted(64, L"%ls：%ls %ls", L"剂量", L"5.0", L"mg"), L"剂量：5.0 mg");
    EXPECT_EQ(formatted(64, L"[%ls]", static_cast<const wchar_t*>(nullptr)), L"[]");
    EXPECT_EQ(formatted(64, L"%s-%s", "abc", static_cast<const char*>(nullptr)), L"abc-");
    EXPECT_EQ(formatted(64, L"%c%c", L'D', L'日'), L"D日");
    EXPECT_EQ(formatted(64, L"%.2ls|%4ls|%-4ls|", L"abcdef", L"ab", L"ab"), L"ab|  ab|ab  |");
    EXPECT_EQ(formatted(64, L"%lc|%lf", L'A', 0.5), L"A|0.500000");  // 'l' changes nothing there
}

TEST(Text, RunTimeFormatPrintsWhatDoesNotFitAsItStands) {
    // An unknown conversion stays as it stands and takes no argument.
    EXPECT_EQ(formatted_at_run_time(64, L"100%% %q"), L"100% %q");
    EXPECT_EQ(formatted_at_run_time(64, L"%-5.2q%d", 5), L"%-5.2q5");
    EXPECT_EQ(formatted_at_run_time(64, L"%lllld|%lls|%l%|%llc|", 1LL, L"x"), L"%lllld|%lls|%l%|%llc|");
    EXPECT_EQ(formatted_at_run_time(64, L"tail %"), L"tail %");
    EXPECT_EQ(formatted_at_run_time(64, L"tail %-08.3l"), L"tail %-08.3l");
    // A conversion given another type stays as it stands and uses its
    // argument up, so the next conversion takes the next argument.
    EXPECT_EQ(formatted_at_run_time(64, L"[%d|%ls]", L"x", 7), L"[%d|%ls]");
    EXPECT_EQ(formatted_at_run_time(64, L"[%d|%ls]", L"x", L"y"), L"[%d|y]");
    EXPECT_EQ(formatted_at_run_time(64, L"%lld|%ld|%d", 1, 1, 1LL), L"%lld|%ld|%d");
    EXPECT_EQ(formatted_at_run_time(64, L"%u|%d|%lu|%llu", -1, 1u, 1ull, 1ul), L"%u|%d|%lu|%llu");
    EXPECT_EQ(formatted_at_run_time(64, L"%f|%g|%c|%s|%ls", 1, 1LL, 65, L"w", "n"), L"%f|%g|%c|%s|%ls");
    EXPECT_EQ(formatted_at_run_time(64, L"%+05d|%-3c", 2.5, 1.5), L"%+05d|%-3c");
    // Missing arguments: the conversions stay; arguments left over are ignored.
    EXPECT_EQ(formatted_at_run_time(64, L"%d %d %05.1f", 1), L"1 %d %05.1f");
    EXPECT_EQ(formatted_at_run_time(64, L"%d", 1, 2, L"x"), L"1");
    wchar_t buffer[8];
    EXPECT_EQ(text_vformat(buffer, 8, L"%d%%", nullptr, 3), 3);
    EXPECT_EQ(std::wstring(buffer), L"%d%");
    EXPECT_EQ(text_vformat(buffer, 8, nullptr, nullptr, 0), 0);
    EXPECT_EQ(std::wstring(buffer), L"");
    // Cut at the capacity like any other text.
    EXPECT_EQ(formatted_at_run_time(4, L"%d%q", L"x"), L"%d%");
}

TEST(Text, FormatDoublesIndependentOfLocaleAndRuntime) {
    EXPECT_EQ(formatted(64, L"%.0f %.1f %.2f %.3f", 12.3456, 12.3456, 12.3456, 12.3456), L"12 12.3 12.35 12.346");
    EXPECT_EQ(formatted(64, L"%.0f", 2.5), L"2");    // exact tie: to even
    EXPECT_EQ(formatted(64, L"%.0f", 99.9), L"100");
    EXPECT_EQ(formatted(64, L"%.0f", -0.4), L"-0");
    EXPECT_EQ(formatted(64, L"%f", 1.5), L"1.500000");
    EXPECT_EQ(formatted(64, L"%g|%g|%g|%g|%g", 70.0, 12.5, 1234567.0, 0.00001, 0.1 + 0.2),
              L"70|12.5|1.23457e+06|1e-05|0.3");
    EXPECT_EQ(formatted(64, L"%.6g|%g|%g", 1e100, -0.0, 123456.0), L"1e+100|-0|123456");
    EXPECT_EQ(formatted(64, L"%.3e", 12345.678), L"1.235e+04");
    EXPECT_EQ(formatted(64, L"%f %f", std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()), L"inf -inf");
    EXPECT_EQ(formatted(64, L"%f", std::nan("")), L"nan");
    // The longest fixed text of a double is written whole.
    std::wstring big = formatted(512, L"%.0f", 1.7976931348623157e308);
    EXPECT_EQ(big.size(), 309u);
    EXPECT_EQ(big.substr(0, 6), L"179769");
}

TEST(Text, FormatCutsAndReportsIt) {
    wchar_t buffer[16];
    for (wchar_t& c : buffer) c = L'#';
    EXPECT_EQ(text_format(buffer, 6, L"%d-%ls", 1234, L"abc"), -1);
    EXPECT_EQ(std::wstring(buffer), L"1234-");
    EXPECT_EQ(buffer[6], L'#');
    EXPECT_EQ(text_format(buffer, 16, L"%d", 7), 1);
    EXPECT_EQ(text_format(buffer, 1, L"%d", 7), -1);
    EXPECT_EQ(std::wstring(buffer), L"");
    EXPECT_EQ(formatted(4, L"%.0f", 123456.0), L"123");
}

TEST(Text, WidenAndLength) {
    wchar_t buffer[4];
    EXPECT_EQ(text_widen(buffer, 4, "abcdef"), 3);
    EXPECT_EQ(std::wstring(buffer), L"abc");
    EXPECT_EQ(text_widen(buffer, 4, "\xff"), 1);
    EXPECT_EQ(buffer[0], static_cast<wchar_t>(0xFF));
    EXPECT_EQ(text_length(nullptr), 0);
    EXPECT_EQ(text_length(L"减量条件数"), 5);
}

TEST(Text, FlattenPutsLinesOnOne) {
    wchar_t buffer[16];
    EXPECT_EQ(text_flatten(buffer, 16, L"a：1\r\nb：2\r\n", 100), 8);
    EXPECT_EQ(std::wstring(buffer), L"a：1 b：2 ");
    // At most count characters of the source, CRs among them.
    EXPECT_EQ(text_flatten(buffer, 16, L"ab\r\ncd", 4), 3);
    EXPECT_EQ(std::wstring(buffer), L"ab ");
    // Cut at the capacity, terminated.
    EXPECT_EQ(text_flatten(buffer, 4, L"x\ny\nz", 100), 3);
    EXPECT_EQ(std::wstring(buffer), L"x y");
    EXPECT_EQ(text_flatten(buffer, 1, L"x", 1), 0);
    EXPECT_EQ(buffer[0], L'\0');
    EXPECT_EQ(text_flatten(buffer, 16, nullptr, 5), 0);
}

}  // namespace
