#pragma once
// Formatting of computed values by format code, and calendar day numbers
// (day 0 = 1970-01-01, proleptic Gregorian calendar).

// Writes value as text by its format code: "f0" "f1" "f2" "f3" "int" "pct"
// "date"; a null or unknown code formats like "f2". NaN and infinities give
// "--". The text is cut to capacity - 1 characters and always terminated.
void format_value(const char* format, double value, wchar_t* buffer, int capacity);

// Writes an input value as the program shows it in an input field and in a
// record: "%g", at most six significant digits, no trailing zeros, exponent
// form for very large or small values (70, 12.5, 1.23457e+06, 1e-05). Returns
// the length, or -1 when the text was cut.
int format_input_value(double value, wchar_t* buffer, int capacity);

// Day number of a civil date. Month and day are not checked: month 13 is
// January of the next year, day 0 the last day of the month before.
long long days_from_civil(int year, int month, int day);

// Writes the civil date of a day number as "YYYY-MM-DD" (year with sign inside
// at least four places). Returns the number of characters written, or -1 when
// the text was cut or the day number lies beyond the last date that can be
// computed, in which case the text is "--".
int civil_from_days(long long day_number, wchar_t* buffer, int capacity);
