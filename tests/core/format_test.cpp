// Value formatting by format code, and the calendar conversions.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "core/format.h"

namespace {

std::wstring value_text(const char* code, double value, int capacity = 128) {
    wchar_t buffer[128];
    for (wchar_t& c : buffer) c = L'#';
    format_value(code, value, buffer, capacity);
    return buffer;
}

std::wstring date_text(long long day) {
    wchar_t buffer[32];
    civil_from_days(day, buffer, 32);
    return buffer;
}

TEST(FormatValue, Codes) {
    EXPECT_EQ(value_text("f0", 12.3456), L"12");
    EXPECT_EQ(value_text("f1", 12.3456), L"12.3");
    EXPECT_EQ(value_text("f2", 12.3456), L"12.35");
    EXPECT_EQ(value_text("f3", 12.3456), L"12.346");
    EXPECT_EQ(value_text("int", 12.3456), L"12");
    EXPECT_EQ(value_text("pct", 12.3456), L"12.3%");
    EXPECT_EQ(value_text("pct", 0.5), L"0.5%");  // not scaled
    EXPECT_EQ(value_text("date", 12.3456), L"1970-01-13");
    // Absent, "f2", case-sensitive misses and unknown codes: two decimals.
    for (const char* code : {static_cast<const char*>(nullptr), "f2", "F0", "", "f4", "f0 "}) {
        EXPECT_EQ(value_text(code, 2.5), L"2.50") << (code ? code : "null");
    }
}

TEST(FormatValue, RoundingAndSigns) {
    EXPECT_EQ(value_text("f0", -0.4), L"-0");
    EXPECT_EQ(value_text("int", -0.4), L"-0");
    EXPECT_EQ(value_text("f1", -0.0), L"-0.0");
    EXPECT_EQ(value_text("f0", 0.0), L"0");
    EXPECT_EQ(value_text("f1", 5.0), L"5.0");
    EXPECT_EQ(value_text("f1", 2.5), L"2.5");
    EXPECT_EQ(value_text("f3", 0.001), L"0.001");
    EXPECT_EQ(value_text("f3", -0.05), L"-0.050");
    EXPECT_EQ(value_text("f2", 0.125), L"0.12");   // exact tie
    EXPECT_EQ(value_text("f2", 2.675), L"2.67");   // 2.67499999... in binary
    EXPECT_EQ(value_text("f1", 0.05), L"0.1");     // 0.05000000000000000277
    EXPECT_EQ(value_text("f0", 4503599627370495.0), L"4503599627370495");
    EXPECT_EQ(value_text("f0", 4503599627370497.0), L"4503599627370497");
    EXPECT_EQ(value_text("f2", 1e15 + 0.25), L"1000000000000000.25");
}

TEST(FormatValue, NonFiniteValuesShowDashesUnderEveryCode) {
    const double values[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (double v : values) {
        for (const char* code : {"f0", "f1", "f2", "f3", "int", "pct", "date", "xyz"}) {
            EXPECT_EQ(value_text(code, v), L"--") << code;
        }
        EXPECT_EQ(value_text(nullptr, v), L"--");
    }
}

TEST(FormatValue, HugeValuesAreNeverCut) {
    // A fixed text beyond 79 characters would have to be cut to a wrong number;
    // it is written in exponent form instead.
    EXPECT_EQ(value_text("f2", 1.5e80), L"1.50e+80");
    EXPECT_EQ(value_text("f0", -1e300), L"-1e+300");
    EXPECT_EQ(value_text("pct", 1e200), L"1.0e+200%");
    // Below that length the fixed form stays.
    EXPECT_EQ(value_text("f0", 1e70).size(), 71u);

    // Exactly 79 characters, the percent sign of "pct" included, are written
    // whole under every code; one more takes the exponent form.
    struct Boundary {
        const char* code;
        double whole;            // its fixed text has 79 characters
        const wchar_t* start;    // how that text begins
        const char* end;         // and ends
        double longer;           // its fixed text would have 80
        const wchar_t* exponent_form;
    };
    const Boundary boundaries[] = {
        {"f0", 1e78, L"1000000000000000", "", -1e78, L"-1e+78"},
        {"int", 1e78, L"1000000000000000", "", -1e79, L"-1e+79"},
        {"f1", 1e76, L"1000000000000000", ".0", -1e76, L"-1.0e+76"},
        {"f2", 5e75, L"5000000000000000", ".00", -5e75, L"-5.00e+75"},
        {"f3", 1e75, L"9999999999999999", ".000", -1e75, L"-1.000e+75"},
        {"pct", 5e75, L"5000000000000000", ".0%", -5e75, L"-5.0e+75%"},
    };
    for (const Boundary& b : boundaries) {
        std::wstring text = value_text(b.code, b.whole);
        EXPECT_EQ(text.size(), 79u) << b.code;
        EXPECT_EQ(text.substr(0, 16), b.start) << b.code;
        std::wstring end(b.end, b.end + std::char_traits<char>::length(b.end));
        EXPECT_EQ(text.substr(text.size() - end.size()), end) << b.code;
        EXPECT_EQ(value_text(b.code, b.longer), b.exponent_form) << b.code;
    }
}

TEST(FormatValue, Capacity) {
    EXPECT_EQ(value_text("f2", 123.456, 4), L"123");
    EXPECT_EQ(value_text("f2", 123.456, 1), L"");
    EXPECT_EQ(value_text("date", 0, 5), L"1970");
    EXPECT_EQ(value_text("f0", std::nan(""), 2), L"-");
    wchar_t untouched[2] = {L'x', L'y'};
    format_value("f0", 1, untouched, 0);
    EXPECT_EQ(untouched[0], L'x');
}

TEST(FormatValue, Dates) {
    EXPECT_EQ(value_text("date", 0), L"1970-01-01");
    EXPECT_EQ(value_text("date", -1), L"1969-12-31");
    EXPECT_EQ(value_text("date", 0.9), L"1970-01-01");
    EXPECT_EQ(value_text("date", -0.9), L"1970-01-01");
    EXPECT_EQ(value_text("date", 11016), L"2000-02-29");
    EXPECT_EQ(value_text("date", 19723), L"2024-01-01");
    EXPECT_EQ(value_text("date", 2932896), L"9999-12-31");
    EXPECT_EQ(value_text("date", -719468), L"0000-03-01");
    EXPECT_EQ(value_text("date", -719468 - 366), L"-001-03-01");  // year 0 is a leap year
}

TEST(FormatValue, DatesBeyondAnyDayNumberShowDashes) {
    EXPECT_EQ(value_text("date", 1e19), L"--");
    EXPECT_EQ(value_text("date", -1e19), L"--");
    EXPECT_EQ(value_text("date", 9223372036854775808.0), L"--");
    // The last 719468 day numbers cannot be shifted to the calendar's era
    // without overflow; they show dashes too. Just below them dates are shown.
    EXPECT_EQ(value_text("date", 9223372036854774784.0), L"--");
    EXPECT_EQ(value_text("date", 9e18), L"24641163062898538-09-20");
    std::wstring past = value_text("date", -9223372036854775808.0);
    EXPECT_EQ(past, L"-25252734927764585-06-07");
}

TEST(Calendar, DaysFromCivil) {
    EXPECT_EQ(days_from_civil(1970, 1, 1), 0);
    EXPECT_EQ(days_from_civil(2000, 3, 1), 11017);
    EXPECT_EQ(days_from_civil(1900, 3, 1), -25508);
    EXPECT_EQ(days_from_civil(1970, 13, 1), 365);
    EXPECT_EQ(days_from_civil(1971, 1, 1), 365);
    EXPECT_EQ(days_from_civil(1970, 1, 0), -1);
    EXPECT_EQ(days_from_civil(2028, 2, 28) + 1, days_from_civil(2028, 2, 29));
    EXPECT_EQ(days_from_civil(2026, 12, 7) + 7, days_from_civil(2026, 12, 14));
}

TEST(Calendar, DaysFromCivilAtTheLimitsOfInt) {
    // Every int input is carried through in 64 bits without overflow.
    EXPECT_EQ(days_from_civil(INT_MAX, 12, 31), 784351576776LL);
    EXPECT_EQ(days_from_civil(INT_MIN, 1, 1), -784353015833LL);
    EXPECT_EQ(days_from_civil(2000, INT_MAX, INT_MAX), 67860494169LL);
    EXPECT_EQ(days_from_civil(2000, INT_MIN, INT_MIN), -67860472351LL);
    // The result round-trips through the civil date for the year limits.
    EXPECT_EQ(date_text(days_from_civil(INT_MAX, 12, 31)), L"2147483647-12-31");
    EXPECT_EQ(date_text(days_from_civil(INT_MIN, 1, 1)), L"-2147483648-01-01");
}

TEST(Calendar, CivilFromDaysRoundTripsEveryDate) {
    // 0000-03-01 to 9999-12-31, every day.
    for (long long day = -719468; day <= 2932896; ++day) {
        wchar_t text[32];
        ASSERT_EQ(civil_from_days(day, text, 32), 10);
        int year = (text[0] - L'0') * 1000 + (text[1] - L'0') * 100 + (text[2] - L'0') * 10 + (text[3] - L'0');
        int month = (text[5] - L'0') * 10 + (text[6] - L'0');
        int dom = (text[8] - L'0') * 10 + (text[9] - L'0');
        ASSERT_EQ(days_from_civil(year, month, dom), day) << day;
    }
}

TEST(Calendar, CivilFromDaysExtremes) {
    wchar_t text[32];
    EXPECT_EQ(civil_from_days(LLONG_MAX, text, 32), -1);
    EXPECT_EQ(std::wstring(text), L"--");
    EXPECT_EQ(civil_from_days(LLONG_MAX - 719468, text, 32), 23);
    EXPECT_EQ(std::wstring(text), L"25252734927766554-09-25");
    EXPECT_GT(civil_from_days(LLONG_MIN, text, 32), 0);
    EXPECT_EQ(text[0], L'-');
    // Cut texts report -1.
    EXPECT_EQ(civil_from_days(0, text, 5), -1);
    EXPECT_EQ(std::wstring(text), L"1970");
    EXPECT_EQ(civil_from_days(0, text, 1), -1);
    EXPECT_EQ(std::wstring(text), L"");
}

}  // namespace
