#pragma once
// Bounded wide text: the one home of the rule every module follows.
//
// A buffer comes with its capacity in wide characters, terminator included.
// Writing cuts the text at capacity - 1 characters and always terminates it;
// a capacity below 1 means there is no room at all and nothing is written.
// Appending: when the current length n is below capacity - 1, at most
// capacity - n - 1 characters are added; otherwise nothing is.
//
// text_format is a small printf-like formatter of our own, so that the bytes
// do not depend on the C runtime or the locale. It understands:
//   %%          a percent sign
//   %d %i       int            (flags '-' '0' '+' ' ', width)
//   %lld %ld    long long / long
//   %u          unsigned int
//   %c          a wide character (passed as int, like wint_t)
//   %ls         a wide string  (null prints as the empty text)
//   %s          a narrow ASCII string, widened byte by byte
//   %.Nf %f     double, fixed, N decimals (default 6), "." as decimal point
//   %.Ng %g     double, general, N significant digits (default 6), like printf
// Width and precision may be given for every conversion; '*' is not supported.

#include <cstdarg>

// Length of a terminated wide text (null counts as empty).
int text_length(const wchar_t* text);

// Copies src into dst, cut to capacity - 1 characters; null src gives "".
// Returns the length written.
int text_copy(wchar_t* dst, int capacity, const wchar_t* src);

// Appends src by the append rule. Returns the new length of dst.
int text_append(wchar_t* dst, int capacity, const wchar_t* src);

// Appends at most count characters of src (fewer when src ends first) by the
// append rule. Returns the new length of dst.
int text_append_n(wchar_t* dst, int capacity, const wchar_t* src, int count);

// Formats into dst, cut to capacity - 1 characters. Returns the length of the
// text written, or -1 when the text was cut.
int text_format(wchar_t* dst, int capacity, const wchar_t* format, ...);
int text_vformat(wchar_t* dst, int capacity, const wchar_t* format, va_list args);

// Copies at most count characters of src (fewer when src ends first) onto one
// line: every CR dropped, every LF made a blank; cut to capacity - 1 and
// terminated. Returns the length written.
int text_flatten(wchar_t* dst, int capacity, const wchar_t* src, int count);

// Widens a plain ASCII text into dst (each byte becomes one character), cut to
// capacity - 1. Returns the length written.
int text_widen(wchar_t* dst, int capacity, const char* src);
