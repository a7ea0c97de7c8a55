#pragma once
// Reading the numbers typed into the window's input fields. Portable and
// independent of the C runtime and the locale, so both builds read every text
// the same way.

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
//     of ASCII reads as its ASCII form: full-width digits, point, signs and
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

// Reads the texts of count input fields (at most MAX_TOOL_VALUES). When every value
// is finite, stores all of them in values (slot i for field i) and returns -1.
// Otherwise returns the index of the first field that is refused, because its
// text is longer than INPUT_TEXT_CAPACITY - 1 characters or its value is
// infinite or NaN, and leaves values untouched, so a refused computation
// keeps the values of the last successful one; the fields after the refused
// one are not read.
int read_input_values(const wchar_t (*texts)[INPUT_FIELD_CAPACITY], int count, double* values);
