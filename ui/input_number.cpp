#include "ui/input_number.h"

#include <cassert>
#include <charconv>
#include <limits>
#include <system_error>

#include "core/convert.h"
#include "core/text.h"
#include "core/tool.h"
#include "reports/report_kinds.h"

namespace {

bool is_space(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

// What a Chinese input method types or a pasted text carries in place of an
// ASCII digit, sign, point, exponent letter or blank, in its ASCII form: the
// full-width digits and the ideographic zero 〇, point, signs and exponent
// letters; the ideographic full
// stop "。" and its half-width form, typed for the point in Chinese
// punctuation mode, and the small full stop and the one-dot leader that look
// like a point; the minus sign U+2212; and every Unicode space separator
// (no-break, ideographic, en, em, thin, ...) as a blank. The format
// characters (zero-width space, byte-order mark, direction marks and
// embeddings, word joiner, soft hyphen, tag characters, ...), which
// text copied from a web page, a document or a message carries unseen, have
// no form: they are dropped wherever they stand, so "6", a zero-width space
// and "5" is 65. Our own table, not the C library's iswspace, so both
// runtimes read alike. Every other character stays as it is.
constexpr wchar_t DROPPED = L'\0';
struct AsciiForm {
    wchar_t first;
    wchar_t last;
    wchar_t ascii;   // the form of first; DROPPED for none
    bool counting;   // the characters after first count up from ascii (digits)
};
constexpr AsciiForm ASCII_FORMS[] = {
    {0xFF10, 0xFF19, L'0', true},    // ０ to ９
    {0x3007, 0x3007, L'0', false},   // 〇, the zero an input method offers for 零
    {0xFF0E, 0xFF0E, L'.', false},   // ．
    {0x3002, 0x3002, L'.', false},   // 。
    {0xFF61, 0xFF61, L'.', false},   // ｡
    {0xFE52, 0xFE52, L'.', false},   // ﹒ small full stop
    {0x2024, 0x2024, L'.', false},   // ․ one-dot leader
    {0xFF0B, 0xFF0B, L'+', false},   // ＋
    {0xFF0D, 0xFF0D, L'-', false},   // －
    {0x2212, 0x2212, L'-', false},   // − minus sign
    {0xFF45, 0xFF45, L'e', false},   // ｅ
    {0xFF25, 0xFF25, L'E', false},   // Ｅ
    {0x00A0, 0x00A0, L' ', false},   // no-break space
    {0x1680, 0x1680, L' ', false},   // ogham space mark
    {0x2000, 0x200A, L' ', false},   // en quad to hair space
    {0x202F, 0x202F, L' ', false},   // narrow no-break space
    {0x205F, 0x205F, L' ', false},   // medium mathematical space
    {0x3000, 0x3000, L' ', false},   // ideographic space
    {0x00AD, 0x00AD, DROPPED, false},  // soft hyphen
    {0x0600, 0x0605, DROPPED, false},  // Arabic number signs
    {0x061C, 0x061C, DROPPED, false},  // Arabic letter mark
    {0x06DD, 0x06DD, DROPPED, false},  // end of ayah
    {0x070F, 0x070F, DROPPED, false},  // Syriac abbreviation mark
    {0x0890, 0x0891, DROPPED, false},  // Arabic pound and piastre marks above
    {0x08E2, 0x08E2, DROPPED, false},  // Arabic disputed end of ayah
    {0x180E, 0x180E, DROPPED, false},  // Mongolian vowel separator
    {0x200B, 0x200F, DROPPED, false},  // zero-width space, (non-)joiner, direction marks
    {0x202A, 0x202E, DROPPED, false},  // direction embeddings and overrides
    {0x2060, 0x2064, DROPPED, false},  // word joiner, invisible operators
    {0x2066, 0x206F, DROPPED, false},  // direction isolates, deprecated format controls
    {0xFEFF, 0xFEFF, DROPPED, false},  // byte-order mark, zero-width no-break space
    {0xFFF9, 0xFFFB, DROPPED, false},  // interlinear annotation controls
};

// The format characters beyond the Basic Multilingual Plane (tag characters,
// the musical and shorthand format controls, ...), dropped like those above.
// A wchar_t of 16 bits holds them as a surrogate pair, one of 32 bits as one
// character; both read them as one character to drop.
struct CodePointRange {
    char32_t first;
    char32_t last;
};
constexpr CodePointRange SUPPLEMENTARY_FORMATS[] = {
    {0x110BD, 0x110BD}, {0x110CD, 0x110CD},  // Kaithi number signs
    {0x13430, 0x1343F},                      // Egyptian hieroglyph format controls
    {0x1BCA0, 0x1BCA3},                      // shorthand format controls
    {0x1D173, 0x1D17A},                      // musical symbol format controls
    {0xE0001, 0xE0001}, {0xE0020, 0xE007F},  // language tag, tag characters
};

// The number of wchar_t units of a supplementary format character at text,
// whose first `room` units may be looked at; 0 when there is none there.
int supplementary_format_units(const wchar_t* text, int room) {
    char32_t c = static_cast<char32_t>(text[0]);
    int units = 1;
    if constexpr (sizeof(wchar_t) == 2) {
        if (c < 0xD800 || c > 0xDBFF || room < 2 || text[1] < 0xDC00 || text[1] > 0xDFFF) return 0;
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[1]) - 0xDC00);
        units = 2;
    }
    for (const CodePointRange& range : SUPPLEMENTARY_FORMATS) {
        if (c >= range.first && c <= range.last) return units;
    }
    return 0;
}

wchar_t ascii_form(wchar_t c) {
    for (const AsciiForm& form : ASCII_FORMS) {
        if (c >= form.first && c <= form.last) {
            return form.counting ? static_cast<wchar_t>(form.ascii + (c - form.first)) : form.ascii;
        }
    }
    return c;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_hex_digit(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool starts_with_word(const char* text, const char* word) {
    for (; *word != '\0'; ++text, ++word) {
        if (lower(*text) != *word) return false;
    }
    return true;
}

// A mantissa with digits of the given base, an optional point, and an
// exponent part (e for decimal, p for hexadecimal). Tells whether the number
// written there is at least 1 in magnitude, which is all that decides between
// overflow and underflow once the conversion reports the value out of range.
bool magnitude_at_least_one(const char* text, const char* end, bool hex) {
    long long position = 0;  // digits before the point, from the first non-zero one
    bool seen_nonzero = false;
    bool after_point = false;
    const char* p = text;
    for (; p < end; ++p) {
        if (*p == '.') {
            after_point = true;
            continue;
        }
        if (!(hex ? is_hex_digit(*p) : is_digit(*p))) break;
        if (*p != '0') seen_nonzero = true;
        if (!after_point && seen_nonzero) ++position;
        if (after_point && !seen_nonzero) --position;
    }
    long long exponent = 0;
    if (p < end && (lower(*p) == (hex ? 'p' : 'e'))) {
        ++p;
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
        for (; p < end && is_digit(*p); ++p) {
            if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    // In hexadecimal a digit place is four binary places.
    return (hex ? position * 4 : position) + exponent > 0;
}

// End of the hexadecimal number at p: digits, an optional point and digits,
// and a binary exponent only when digits follow the "p" and its optional
// sign. libstdc++'s from_chars reads "0x1p+-1" as 0x1p-1; the C library stops
// before the "p", so the number is 1 and "p+-1" is text after it.
const char* hex_number_end(const char* p, const char* end) {
    while (p < end && is_hex_digit(*p)) ++p;
    if (p < end && *p == '.') {
        ++p;
        while (p < end && is_hex_digit(*p)) ++p;
    }
    if (p < end && lower(*p) == 'p') {
        const char* q = p + 1;
        if (q < end && (*q == '+' || *q == '-')) ++q;
        if (q < end && is_digit(*q)) {
            while (q < end && is_digit(*q)) ++q;
            return q;
        }
    }
    return p;
}

// Converts the unsigned number at the start of text[0, length) into *value.
// Returns how many characters the number takes, or -1 when no number begins
// there.
int read_magnitude(const char* text, int length, double* value) {
    const char* end = text + length;
    constexpr double infinity = std::numeric_limits<double>::infinity();
    if (starts_with_word(text, "inf")) {
        *value = infinity;
        return 3;
    }
    if (starts_with_word(text, "nan")) {
        *value = std::numeric_limits<double>::quiet_NaN();
        return 3;
    }

    bool hex = length >= 2 && text[0] == '0' && lower(text[1]) == 'x';
    const char* digits = hex ? text + 2 : text;
    // from_chars takes a sign and the words inf and nan by itself; only a
    // digit, or a point followed by a digit, may start the number here.
    bool (*digit)(char) = hex ? is_hex_digit : is_digit;
    bool starts = digits < end && (digit(*digits) ||
                                   (*digits == '.' && digits + 1 < end && digit(digits[1])));
    if (!starts) {
        // "0x" without hexadecimal digits is the number 0 followed by text.
        *value = 0.0;
        return hex ? 1 : -1;
    }
    std::from_chars_result result = std::from_chars(
        digits, hex ? hex_number_end(digits, end) : end, *value,
        hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        *value = magnitude_at_least_one(digits, result.ptr, hex) ? infinity : 0.0;
    } else if (result.ec != std::errc()) {
        return -1;
    }
    return static_cast<int>(result.ptr - text);
}

// Letters and signs that look like a digit: the letter O and the circles for
// 0, the letters l and I and the bar for 1, in the widths and scripts an
// input method or a pasted text brings.
bool looks_like_digit(wchar_t c) {
    switch (c) {
    case L'O': case L'o': case L'l': case L'I': case L'|':
    case 0xFF2F: case 0xFF4F: case 0xFF4C: case 0xFF29: case 0xFF5C:  // Ｏ ｏ ｌ Ｉ ｜
    case 0x039F: case 0x03BF: case 0x041E: case 0x043E:                // Greek and Cyrillic O and o
    case 0x25CB: case 0x25EF:                                          // ○ ◯
        return true;
    default:
        return false;
    }
}

// What people put between the parts of one number, or between two numbers:
// the commas and enumeration commas of both widths, the colon of a time, the
// slash of a fraction, a point after a whole number, apostrophes and middle
// dots, dashes and tildes of a range.
bool is_separator(wchar_t c) {
    switch (c) {
    case L',': case L';': case L':': case L'.': case L'/': case L'\'': case L'_': case L'-': case L'+': case L'~':
    case 0xFF0C: case 0x3001: case 0xFF64: case 0xFE50: case 0xFE51:  // ， 、 ､ ﹐ ﹑
    case 0xFF1B: case 0xFF1A: case 0xFF0F:                            // ； ： ／
    case 0x2018: case 0x2019: case 0x00B7: case 0x30FB:               // ‘ ’ · ・
    case 0x2013: case 0x2014: case 0xFE63: case 0xFF5E:               // – — ﹣ ～
        return true;
    default:
        return false;
    }
}

bool is_ascii_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Whether the rest of a field after its number, [rest, limit), continues the
// number: a letter that looks like a digit right after it ("8O"); or, after
// blanks, a separator and then a digit ("60,5", "1,200", "60、5", "8:30");
// or blanks and then a digit ("1 200"). A unit or a word after the number
// ("65kg", "80 岁", "132 µmol/L") does not.
bool continues_number(const wchar_t* rest, const wchar_t* limit) {
    if (rest < limit && looks_like_digit(*rest)) return true;
    const wchar_t* p = rest;
    while (p < limit && is_space(*p)) ++p;
    bool apart = p > rest;
    if (p < limit && is_separator(*p)) {
        apart = true;
        ++p;
        while (p < limit && is_space(*p)) ++p;
    }
    return apart && p < limit && is_ascii_digit(*p);
}

}  // namespace

FieldReading read_field(const wchar_t* text) {
    FieldReading reading = {0.0, false, true, false};
    if (text == nullptr) return reading;
    // The characters looked at, up to the terminator and never past it, in
    // their ASCII forms, without the dropped ones.
    wchar_t field[INPUT_TEXT_CAPACITY];
    int field_length = 0;
    for (int i = 0; i < INPUT_TEXT_CAPACITY - 1 && text[i] != L'\0'; ++i) {
        int units = supplementary_format_units(text + i, INPUT_TEXT_CAPACITY - 1 - i);
        if (units > 0) {
            i += units - 1;
            continue;
        }
        wchar_t form = ascii_form(text[i]);
        if (form != DROPPED) field[field_length++] = form;
    }
    const wchar_t* p = field;
    const wchar_t* limit = field + field_length;
    while (p < limit && is_space(*p)) ++p;
    reading.blank = p == limit;
    bool negative = false;
    if (p < limit && (*p == L'+' || *p == L'-')) {
        negative = *p == L'-';
        ++p;
    }
    // The number is plain ASCII; the first other character ends it.
    char narrow[INPUT_TEXT_CAPACITY];
    int length = 0;
    while (p + length < limit && p[length] > 0 && p[length] < 0x80) {
        narrow[length] = static_cast<char>(p[length]);
        ++length;
    }
    narrow[length] = '\0';
    double magnitude = 0.0;
    int used = read_magnitude(narrow, length, &magnitude);
    if (used < 0) {
        // Like the C library, a sign without a number reads as plain 0, not
        // -0. A digit's look-alike before digits ("O8") is a number mistyped.
        reading.continued = p + 1 < limit && looks_like_digit(p[0]) && is_ascii_digit(p[1]);
        return reading;
    }
    reading.value = negative ? -magnitude : magnitude;
    reading.number = true;
    reading.continued = continues_number(p + used, limit);
    return reading;
}

double read_number(const wchar_t* text) {
    return read_field(text).value;
}

InputReading read_input_values(const wchar_t (*texts)[INPUT_FIELD_CAPACITY], int count, const ToolDef* tool,
                               const ToolChoices* choices, double* values) {
    assert(count <= MAX_TOOL_VALUES);
    double read[MAX_TOOL_VALUES];
    for (int i = 0; i < count; ++i) {
        InputReading refused = {i, FieldRefusal::NOT_A_NUMBER, 0, 0};
        // A field longer than what is read would be computed from a cut
        // text: 200 zeros and then 70 would read as 0.
        if (text_length(texts[i]) > INPUT_TEXT_CAPACITY - 1) return refused;
        FieldReading field = read_field(texts[i]);
        if (!is_finite_value(field.value)) return refused;
        // Read whole or not at all: "60,5" is neither 60 nor 5.
        if (field.continued) {
            refused.why = FieldRefusal::CONTINUED;
            return refused;
        }
        // A choice takes only its whole numbers: a word ("是") is no 0, and
        // 2.7 is neither 2 nor 3. An empty field reads 0 like any other.
        if (input_choice(tool, choices, i, &refused.first, &refused.last)) {
            bool numbered = field.number || field.blank;
            bool whole = static_cast<double>(double_to_int(field.value)) == field.value;
            if (!numbered || !whole || field.value < refused.first || field.value > refused.last) {
                refused.why = FieldRefusal::NOT_A_CHOICE;
                return refused;
            }
        }
        read[i] = field.value;
    }
    for (int i = 0; i < count; ++i) values[i] = read[i];
    return {-1, FieldRefusal::NONE, 0, 0};
}
