#pragma once
// Reading the numbers typed into the window's input fields. Portable and
// independent of the C runtime and the locale, so both builds read every text
// the same way.

#include "core/tool.h"
#include "core/tool_choices.h"

// Room for the text of one input field, terminator included: at most 127
// characters are read as a number.
constexpr int INPUT_TEXT_CAPACITY = 128;
// Room a field's text is fetched into: one character more than is read, so
// that a longer text shows as such and is refused rather than cut.
constexpr int INPUT_FIELD_CAPACITY = INPUT_TEXT_CAPACITY + 1;

// Reads the number at the start of text, with the meaning of the C library's
// wide string-to-double conversion and "." as the decimal point:
//   - leading white space (blank, tab, CR, LF, VT, FF) is skipped; an empty or
//     blank text gives 0;
//   - an optional sign, then the longest leading part that forms a number:
//     decimal digits with an optional point and exponent ("12abc" gives 12,
//     "1e" gives 1), or "0x"/"0X" and hexadecimal digits with an optional
//     point and binary exponent ("0x10" gives 16);
//   - "inf", "infinity" and "nan" in any case give an infinity or NaN;
//   - a magnitude beyond the range of a double gives an infinity of its sign,
//     one below the smallest subnormal gives zero;
//   - a text that does not begin with a number gives 0;
//   - what a Chinese input method types or a pasted text carries in place
//     of ASCII reads as its ASCII form: full-width digits and the
//     ideographic zero U+3007, point, signs and
//     exponent letters, "。", "｡", the small full stop U+FE52 and the
//     one-dot leader U+2024 as the point, the minus sign U+2212, and every
//     Unicode space separator (U+00A0, U+1680, U+2000 to U+200A, U+202F,
//     U+205F, U+3000) as a blank;
//   - the invisible format characters of pasted text (U+00AD, U+200B to
//     U+200F, U+202A to U+202E, U+2060 to U+206F, U+FEFF, the tag characters
//     U+E0001 and U+E0020 to U+E007F, and every other format character) are
//     dropped wherever they stand.
// Only the first INPUT_TEXT_CAPACITY - 1 characters are looked at (dropped
// ones among them).
double read_number(const wchar_t* text);

// How the text of one field reads.
struct FieldReading {
    double value;    // read_number's value
    bool number;     // a number begins the text (after blanks and a sign)
    bool blank;      // the text is empty or holds only blanks (and dropped characters)
    bool continued;  // the rest continues the number, so reading its start would cut it:
                     // a look-alike of a digit right after it or before digits ("8O",
                     // "O8"), or after blanks a separator and a digit or just a digit
                     // ("60,5", "60，5", "1,200", "60、5", "8:30", "1 200"). A unit or
                     // word after the number does not ("65kg", "80 岁", "12abc").
};
FieldReading read_field(const wchar_t* text);

// Why compute refuses a field.
enum class FieldRefusal {
    NONE,
    NOT_A_NUMBER,  // longer than INPUT_TEXT_CAPACITY - 1 characters, or infinite or NaN
    CONTINUED,     // the rest continues the number (FieldReading::continued)
    NOT_A_CHOICE,  // a choice field holding a word, a fraction or a number outside its list
};

struct InputReading {
    int refused;        // the first refused field, or -1
    FieldRefusal why;
    int first;          // a refused choice's numbers, first to last
    int last;
};

// Reads the texts of count input fields (at most MAX_TOOL_VALUES) of tool,
// whose choices (input_choice, reports/report_kinds.h: its report kind's or
// the ones its definition declares) take only their whole numbers; tool may
// be null for plain numbers only. When every field is read whole, stores all
// values in values (slot i for field i) and returns refused -1. Otherwise
// returns the first field refused and why, and leaves values untouched, so a
// refused computation keeps the values of the last successful one; the
// fields after the refused one are not read.
InputReading read_input_values(const wchar_t (*texts)[INPUT_FIELD_CAPACITY], int count, const ToolDef* tool,
                               const ToolChoices* choices, double* values);
