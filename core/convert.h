#pragma once
// Checked conversions from double to integer types: the one home for them.
// A double outside the target type's range would be undefined behaviour in a
// plain cast, so every such conversion in the program goes through here.

#include <climits>

// Truncates toward zero. NaN and values whose truncation lies outside the int
// range give INT_MIN, which is below every clamp the program applies and
// matches no numeric choice.
int double_to_int(double value);

// Truncates toward zero into *out. Returns false, leaving *out alone, for NaN,
// infinities and values whose truncation lies outside the long long range.
bool double_to_int64(double value, long long* out);
