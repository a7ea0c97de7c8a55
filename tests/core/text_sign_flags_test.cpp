// The sign flags of the formatter: '+' and ' ' put a sign before signed
// integers and doubles, and nothing before unsigned numbers, which have no
// sign (as printf does).

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

namespace {

template <typename... Args>
std::wstring formatted(const wchar_t* format, Args... args) {
    wchar_t buffer[64];
    text_format(buffer, 64, format, args...);
    return buffer;
}

TEST(TextSignFlags, SignedNumbersGetASign) {
    EXPECT_EQ(formatted(L"%+d|% d|%+d|% d", 5, 5, -5, -5), L"+5| 5|-5|-5");
    EXPECT_EQ(formatted(L"%+lld|% 4lld", 7LL, 7LL), L"+7|   7");
    EXPECT_EQ(formatted(L"%+.1f|% .1f|%+g", 2.5, 2.5, 0.0), L"+2.5| 2.5|+0");
    EXPECT_EQ(formatted(L"%+ d|% +d", 1, 1), L"+1|+1");  // '+' wins over ' '
}

TEST(TextSignFlags, UnsignedNumbersGetNone) {
    EXPECT_EQ(formatted(L"%+u|% u|%+05u|% 3u", 5u, 5u, 5u, 5u), L"5|5|00005|  5");
    EXPECT_EQ(formatted(L"%+lu|% llu", 4000000000UL, 18446744073709551615ULL), L"4000000000|18446744073709551615");
}

}  // namespace
