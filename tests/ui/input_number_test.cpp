#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <limits>

#include "ui/input_number.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

// Exact comparison, bit for bit apart from NaN payloads: both builds must read
// every form to the same double.
void expect_reads(const wchar_t* text, double expected) {
    double value = read_number(text);
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(value)) << "text: " << testing::PrintToString(std::wstring(text));
        return;
    }
    EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0)
        << "text: " << testing::PrintToString(std::wstring(text)) << " read " << value << " expected " << expected;
}

}  // namespace

TEST(ReadNumber, EmptyAndBlankAreZero) {
    expect_reads(L"", 0.0);
    expect_reads(L"   ", 0.0);
    expect_reads(L" \t\r\n\v\f", 0.0);
    EXPECT_EQ(read_number(nullptr), 0.0);
}

TEST(ReadNumber, PlainDecimals) {
    expect_reads(L"70", 70.0);
    expect_reads(L"0.1", 0.1);
    expect_reads(L"-3.5", -3.5);
    expect_reads(L"+2", 2.0);
    expect_reads(L".5", 0.5);
    expect_reads(L"5.", 5.0);
    expect_reads(L"1.5e3", 1500.0);
    expect_reads(L"1.5E-3", 0.0015);
    expect_reads(L"2.5e+2", 250.0);
    expect_reads(L"-0", -0.0);
    expect_reads(L"000123", 123.0);
    expect_reads(L"123456789012345678901234567890", 123456789012345678901234567890.0);
    expect_reads(L"1.7976931348623157e308", DBL_MAX);
    expect_reads(L"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min());
    expect_reads(L"2.2250738585072014e-308", DBL_MIN);
}

TEST(ReadNumber, LeadingWhiteSpaceIsSkipped) {
    expect_reads(L"  42", 42.0);
    expect_reads(L"\t42", 42.0);
    expect_reads(L"\r\n 42", 42.0);
    // Every Unicode space separator, from our own table: what counts as a
    // space must not depend on the C runtime.
    for (const wchar_t* blank : {L"\u00A0", L"\u1680", L"\u2000", L"\u2005", L"\u200A", L"\u202F", L"\u205F",
                                 L"\u3000", L"\u00A0\u3000 \t"}) {
        expect_reads((std::wstring(blank) + L"42").c_str(), 42.0);
        expect_reads((std::wstring(L"42") + blank + L"5").c_str(), 42.0);
        expect_reads(blank, 0.0);
    }
    expect_reads(L"\u1FFF" L"42", 0.0);  // unassigned: no blank
}

// The format characters that text copied from a web page, a document or a
// message carries unseen are dropped wherever they stand: before, inside and
// after the digits, the sign, the point and the exponent.
TEST(ReadNumber, InvisibleFormatCharactersAreDropped) {
    for (const wchar_t* invisible :
         {L"\u00AD", L"\u0600", L"\u061C", L"\u06DD", L"\u070F", L"\u0891", L"\u08E2", L"\u180E", L"\u200B",
          L"\u200C", L"\u200D", L"\u200E", L"\u200F", L"\u202A", L"\u202B", L"\u202C", L"\u202D", L"\u202E",
          L"\u2060", L"\u2064", L"\u2066", L"\u2069", L"\u206F", L"\uFEFF", L"\uFFF9", L"\uFFFB",
          L"\u202A\u200E\uFEFF", L"\U000110BD", L"\U00013430", L"\U0001BCA0", L"\U0001D173", L"\U0001D17A",
          L"\U000E0001", L"\U000E0020", L"\U000E007F"}) {
        const std::wstring x = invisible;
        SCOPED_TRACE(testing::PrintToString(x));
        expect_reads((x + L"65").c_str(), 65.0);
        expect_reads((L"6" + x + L"5").c_str(), 65.0);
        expect_reads((L"65" + x).c_str(), 65.0);
        expect_reads((x + L"-" + x + L"6" + x + L"0" + x + L"." + x + L"5" + x + L"e" + x + L"1" + x).c_str(),
                     -605.0);
        expect_reads((L" " + x + L" 65").c_str(), 65.0);
        expect_reads((x + L"\uFF16\uFF15" + x + L"kg").c_str(), 65.0);
        expect_reads((x + L"abc").c_str(), 0.0);
        expect_reads(x.c_str(), 0.0);
        expect_reads((L"6" + x + L" 5").c_str(), 6.0);  // a blank still ends the number
    }
    // Characters next to the format characters that are no format characters.
    expect_reads(L"\u2065" L"65", 0.0);  // unassigned between the isolates and the joiner
    expect_reads(L"\u2028" L"65", 0.0);  // line separator
    expect_reads(L"\u034F" L"65", 0.0);  // combining grapheme joiner (a mark)
    expect_reads(L"\uFFFC" L"65", 0.0);  // object replacement character
    expect_reads(L"\U0001D17B" L"65", 0.0);  // musical combining mark after the format controls
    expect_reads(L"\U000E0100" L"65", 0.0);  // variation selector after the tag characters
    expect_reads(L"\U0001F600" L"65", 0.0);  // an emoji
    // Dropped characters count among the 127 that are looked at.
    std::wstring padded(126, L'\u200B');
    expect_reads((padded + L"7").c_str(), 7.0);
    expect_reads((padded + L"\u200B" L"7").c_str(), 0.0);
}

TEST(ReadNumber, LongestNumericPrefixIsTaken) {
    expect_reads(L"12abc", 12.0);
    expect_reads(L"65kg", 65.0);
    expect_reads(L"1.5.3", 1.5);
    expect_reads(L"1e", 1.0);
    expect_reads(L"1e+", 1.0);
    expect_reads(L"2E-x", 2.0);
    expect_reads(L"1,5", 1.0);
    expect_reads(L"3 4", 3.0);
    expect_reads(L"7\u5C81", 7.0);
}

TEST(ReadNumber, TextThatIsNoNumberGivesZero) {
    expect_reads(L"abc", 0.0);
    expect_reads(L">90", 0.0);
    expect_reads(L"\u226590", 0.0);  // ≥90
    expect_reads(L".", 0.0);
    expect_reads(L"-", 0.0);
    expect_reads(L"+-5", 0.0);
    expect_reads(L"- 5", 0.0);
    expect_reads(L"-abc", 0.0);
    expect_reads(L"e5", 0.0);
    expect_reads(L"in", 0.0);
    expect_reads(L"na", 0.0);
}

// A field is read whole or refused: a unit or word after the number is left
// aside, but a rest that continues the number (a separator and a digit, a
// look-alike of a digit) would be cut, so the field is refused. read_number
// still gives the number the text begins with.
TEST(ReadInputValues, ANumberIsReadWholeOrRefused) {
    const struct {
        const wchar_t* text;
        double value;    // what the field gives when it is read
        bool refused;
    } rows[] = {
        // A unit or a word after the number.
        {L"65kg", 65, false}, {L"80\u5C81", 80, false}, {L"132 \u00B5mol/L", 132, false}, {L"12abc", 12, false},
        {L"60.5 kg", 60.5, false}, {L"3 \u53F7", 3, false}, {L"1e", 1, false}, {L"0x10g", 16, false},
        {L"abc", 0, false}, {L">90", 0, false}, {L"O", 0, false}, {L"70 (60)", 70, false}, {L"5%", 5, false},
        // The ideographic zero an input method offers for 零 is the digit 0.
        {L"8\u3007", 80, false}, {L"\u3007.5", 0.5, false}, {L"1\u3007\u3007", 100, false},
        // A separator, then a digit: a decimal comma, thousands, a list, a time, a range, a fraction.
        {L"60,5", 60, true}, {L"60\uFF0C5", 60, true}, {L"\uFF16\uFF10\uFF0C\uFF15", 60, true},
        {L"1,200", 1, true}, {L"60\u30015", 60, true}, {L"60 , 5", 60, true}, {L"60;5", 60, true},
        {L"8:30", 8, true}, {L"8\uFF1A30", 8, true}, {L"60-65", 60, true}, {L"60~65", 60, true},
        {L"60\uFF5E65", 60, true}, {L"1/2", 1, true}, {L"60\u00B75", 60, true}, {L"1'200", 1, true},
        {L"1.2.3", 1.2, true}, {L"60\u3002\u30025", 60, true}, {L"60\uFE505", 60, true},
        // Blanks and then a digit: two numbers, or thousands apart.
        {L"1 200", 1, true}, {L"3 4", 3, true}, {L"60\u30005", 60, true}, {L"6\u200B 5", 6, true},
        // A letter that looks like a digit, after the digits or before them.
        {L"8O", 8, true}, {L"8o", 8, true}, {L"8\uFF2F", 8, true}, {L"1l", 1, true}, {L"5.O", 5, true},
        {L"8\u25CB", 8, true}, {L"O8", 0, true}, {L"-o5", 0, true}, {L"l5", 0, true},
        // A separator or a blank with no digit after it ends the number.
        {L"60,", 60, false}, {L"60, kg", 60, false}, {L"60\u3001", 60, false}, {L"5 -", 5, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.text)));
        expect_reads(row.text, row.value);
        wchar_t texts[2][INPUT_FIELD_CAPACITY] = {L"40", {}};
        std::wcscpy(texts[1], row.text);
        double values[2] = {-1.0, -1.0};
        InputReading reading = read_input_values(texts, 2, nullptr, nullptr, values);
        if (row.refused) {
            EXPECT_EQ(reading.refused, 1);
            EXPECT_EQ(reading.why, FieldRefusal::CONTINUED);
            EXPECT_EQ(values[0], -1.0);
        } else {
            EXPECT_EQ(reading.refused, -1);
            EXPECT_EQ(values[1], row.value);
        }
    }
}

TEST(ReadNumber, Hexadecimal) {
    expect_reads(L"0x10", 16.0);
    expect_reads(L"0X1F", 31.0);
    expect_reads(L"0xff", 255.0);
    expect_reads(L"-0x10", -16.0);
    expect_reads(L" +0x10", 16.0);
    expect_reads(L"0x1p4", 16.0);
    expect_reads(L"0x1.8p1", 3.0);
    expect_reads(L"0x.8", 0.5);
    expect_reads(L"0x10g", 16.0);
    // "0x" without hexadecimal digits: the number is the 0 before it.
    expect_reads(L"0x", 0.0);
    expect_reads(L"0xg", 0.0);
    expect_reads(L"0x-1", 0.0);
    expect_reads(L"-0x", -0.0);
    expect_reads(L"0xinf", 0.0);
    expect_reads(L"0x.", 0.0);
    expect_reads(L"0x1p99999", INF);
    expect_reads(L"0x1p-99999", 0.0);
}

// A binary exponent counts only when digits follow the "p" and its one
// optional sign; otherwise the "p" and what follows is text after the number.
TEST(ReadNumber, HexadecimalExponentNeedsDigitsAfterOneSign) {
    expect_reads(L"0x1p+-1", 1.0);
    expect_reads(L"0x211P+-5", 529.0);
    expect_reads(L"0x1p-+3", 1.0);
    expect_reads(L"0x1.8p+-3", 1.5);
    expect_reads(L"0x1P+-1074", 1.0);
    expect_reads(L"-0x2p--1", -2.0);
    expect_reads(L"0x1p", 1.0);
    expect_reads(L"0x1p+", 1.0);
    expect_reads(L"0x1p-x", 1.0);
    expect_reads(L"0x1p-1", 0.5);
    expect_reads(L"0X1P3", 8.0);
    expect_reads(L"0x1p+1k", 2.0);
}

TEST(ReadNumber, BeyondTheRangeOfADouble) {
    expect_reads(L"1e400", INF);
    expect_reads(L"-1e400", -INF);
    expect_reads(L"1.7976931348623159e308", INF);
    expect_reads(L"0.5e310", INF);
    expect_reads(L"1e99999999999999999999", INF);
    expect_reads(L"1e-400", 0.0);
    expect_reads(L"-1e-400", -0.0);
    expect_reads(L"0.0001e-330", 0.0);
    expect_reads(L"0e999999", 0.0);
}

TEST(ReadNumber, WordsInAnyCase) {
    expect_reads(L"inf", INF);
    expect_reads(L"INF", INF);
    expect_reads(L"Infinity", INF);
    expect_reads(L"infinit", INF);
    expect_reads(L"-inf", -INF);
    expect_reads(L"  +iNfInItY", INF);
    expect_reads(L"nan", std::numeric_limits<double>::quiet_NaN());
    expect_reads(L"NaN", std::numeric_limits<double>::quiet_NaN());
    expect_reads(L"-nan(123)", std::numeric_limits<double>::quiet_NaN());
    expect_reads(L"nanny", std::numeric_limits<double>::quiet_NaN());
}

TEST(ReadInputValues, AllFiniteAreCommittedTogether) {
    const wchar_t texts[3][INPUT_FIELD_CAPACITY] = {L"40", L"", L"0x10"};
    double values[3] = {-1.0, -1.0, -1.0};
    EXPECT_EQ(read_input_values(texts, 3, nullptr, nullptr, values).refused, -1);
    EXPECT_EQ(values[0], 40.0);
    EXPECT_EQ(values[1], 0.0);
    EXPECT_EQ(values[2], 16.0);
}

TEST(ReadInputValues, RefusedFieldLeavesEveryValueAlone) {
    const double previous[3] = {40.0, 85.0, 65.0};
    const wchar_t second_infinite[3][INPUT_FIELD_CAPACITY] = {L"10", L"inf", L"50"};
    const wchar_t first_nan[3][INPUT_FIELD_CAPACITY] = {L"nan", L"1e400", L"50"};
    const wchar_t last_overflow[3][INPUT_FIELD_CAPACITY] = {L"10", L"20", L"-1e999"};

    double values[3] = {40.0, 85.0, 65.0};
    EXPECT_EQ(read_input_values(second_infinite, 3, nullptr, nullptr, values).refused, 1);
    EXPECT_EQ(std::memcmp(values, previous, sizeof values), 0);
    EXPECT_EQ(read_input_values(first_nan, 3, nullptr, nullptr, values).refused, 0);
    EXPECT_EQ(std::memcmp(values, previous, sizeof values), 0);
    EXPECT_EQ(read_input_values(last_overflow, 3, nullptr, nullptr, values).refused, 2);
    EXPECT_EQ(std::memcmp(values, previous, sizeof values), 0);
}

TEST(ReadNumber, InputMethodAndPastedFormsReadAsTheirAsciiForms) {
    expect_reads(L"\uFF18\uFF15", 85.0);                      // ８５
    expect_reads(L"\uFF17\uFF10\uFF0E\uFF15", 70.5);          // ７０．５
    expect_reads(L"\uFF0D\uFF13", -3.0);                      // －３
    expect_reads(L"\uFF0B\uFF12", 2.0);                       // ＋２
    expect_reads(L"\uFF11\uFF45\uFF13", 1000.0);              // １ｅ３
    expect_reads(L"\uFF11\uFF25\uFF0D\uFF12", 0.01);          // １Ｅ－２
    expect_reads(L"\u3000\u3000\uFF16\uFF15\u3000kg", 65.0);  // ideographic blanks around ６５
    expect_reads(L"\u3000\u3000", 0.0);
    expect_reads(L"8\uFF15", 85.0);                          // mixed widths
    expect_reads(L"\uFF18\u3000\uFF15", 8.0);                // a blank ends the number
    // The full stop of Chinese punctuation mode, in both widths, is the point.
    expect_reads(L"\uFF16\uFF10\u3002\uFF15", 60.5);          // ６０。５
    expect_reads(L"60\u3002" L"5", 60.5);                     // 60。5
    expect_reads(L"60\uFF61" L"5", 60.5);                     // 60｡5
    expect_reads(L"\u3002" L"5", 0.5);
    expect_reads(L"6\uFF10\uFF0E5\uFF45\uFF0B1", 605.0);      // mixed widths throughout
    expect_reads(L"60\u3002\u3002" L"5", 60.0);               // a second point ends it
    // Points that look like one: the small full stop and the one-dot leader.
    for (const wchar_t* point : {L"\uFE52", L"\u2024"}) {
        const std::wstring p = point;
        expect_reads((L"60" + p + L"5").c_str(), 60.5);
        expect_reads((p + L"5").c_str(), 0.5);
        expect_reads((L"60" + p).c_str(), 60.0);
        expect_reads((L"\uFF16\uFF10" + p + L"\uFF15").c_str(), 60.5);
        expect_reads((L"6" + p + L"5" + p + L"3").c_str(), 6.5);
        expect_reads(p.c_str(), 0.0);
    }
    // The minus sign of pasted text, with a no-break space before the number
    // and after it.
    expect_reads(L"\u2212" L"3.5", -3.5);
    expect_reads(L"\u00A0\u2212\uFF13\u00A0kg", -3.0);
    expect_reads(L"\u2212\u00A0" L"3", 0.0);                  // as "- 3"
    // Look-alikes outside the table stay what they are: no number.
    expect_reads(L"\u2013" L"3", 0.0);                        // en dash
    expect_reads(L"\uFE63" L"3", 0.0);                        // small hyphen-minus
    expect_reads(L"\u3001" L"5", 0.0);                        // ideographic comma
    expect_reads(L"5\u3001" L"5", 5.0);
    // Other full-width characters are not part of a number, as before.
    expect_reads(L"\uFF10\uFF58\uFF11\uFF10", 0.0);          // ０ｘ１０: the x ends it
    expect_reads(L"\uFF41\uFF42\uFF43", 0.0);                // ａｂｃ
    expect_reads(L"\uFF19\uFF0C\uFF15", 9.0);                // ９，５
}

TEST(ReadNumber, NothingPastTheTerminatorOrTheFieldsRoomIsRead) {
    // A short text inside a larger buffer of digits: the terminator ends it.
    wchar_t buffer[300];
    std::wmemset(buffer, L'7', 300);
    buffer[2] = L'\0';
    expect_reads(buffer, 77.0);
    // 127 characters are read, the 128th is not: "0.", 125 sevens, then
    // either a 9 or the end.
    buffer[0] = L'0';
    buffer[1] = L'.';
    buffer[2] = L'7';
    buffer[127] = L'9';
    buffer[299] = L'\0';
    double with_more = read_number(buffer);
    buffer[127] = L'\0';
    EXPECT_EQ(read_number(buffer), with_more);
    EXPECT_GT(with_more, 0.7777);
    EXPECT_LT(with_more, 0.7778);
}

TEST(ReadInputValues, FieldLongerThanWhatIsReadIsRefusedNotCut) {
    const double previous[2] = {40.0, 85.0};
    wchar_t texts[2][INPUT_FIELD_CAPACITY] = {L"10", {}};
    double values[2] = {40.0, 85.0};

    // 127 characters are read whole: 125 zeros, then 70.
    std::wmemset(texts[1], L'0', 125);
    texts[1][125] = L'7';
    texts[1][126] = L'0';
    texts[1][127] = L'\0';
    EXPECT_EQ(read_input_values(texts, 2, nullptr, nullptr, values).refused, -1);
    EXPECT_EQ(values[1], 70.0);

    // One more character, as 200 zeros and then 70 arrive once fetched: refused,
    // not computed from its first 127 characters (which read as 0).
    values[0] = previous[0];
    values[1] = previous[1];
    std::wmemset(texts[1], L'0', 128);
    texts[1][128] = L'\0';
    EXPECT_EQ(read_input_values(texts, 2, nullptr, nullptr, values).refused, 1);
    EXPECT_EQ(std::memcmp(values, previous, sizeof values), 0);
}

TEST(ReadInputValues, NoFieldsChangeNothing) {
    double values[1] = {5.0};
    EXPECT_EQ(read_input_values(nullptr, 0, nullptr, nullptr, values).refused, -1);
    EXPECT_EQ(values[0], 5.0);
}
