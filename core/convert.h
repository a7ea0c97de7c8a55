#pragma once
// Checked conversions from double to integer types, and the tests they rest
// on: the one home for them. A double outside the target type's range would be
// undefined behaviour in a plain cast, so every such conversion in the program
// goes through here.

#include <climits>

// Truncates toward zero. NaN and values whose truncation lies outside the int
// range give INT_MIN, which is below every clamp the program applies and
// matches no numeric choice.
int double_to_int(double value);

// True for every double but NaN and the infinities, judged by the bits of its
// exponent, so no compiler setting can change the answer.
bool is_finite_value(double value);

// value limited to [low, high] (low <= high).
int clamp_int(int value, int low, int high);

// Truncates toward zero into *out. Returns false, leaving *out alone, for NaN,
// infinities and values whose truncation lies outside the long long range.
bool double_to_int64(double value, long long* out);
