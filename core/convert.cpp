#include "core/convert.h"

#include <cstring>

int double_to_int(double value) {
    // The open interval (INT_MIN - 1, INT_MAX + 1) holds exactly the doubles
    // whose truncation is an int; NaN fails both comparisons.
    if (value > -2147483649.0 && value < 2147483648.0) {
        return static_cast<int>(value);
    }
    return INT_MIN;
}

bool double_to_int64(double value, long long* out) {
    // -2^63 is a double and a long long; 2^63 is the first double above the range.
    if (value >= -9223372036854775808.0 && value < 9223372036854775808.0) {
        *out = static_cast<long long>(value);
        return true;
    }
    return false;
}

bool is_finite_value(double value) {
    unsigned long long bits;
    std::memcpy(&bits, &value, sizeof bits);
    return ((bits >> 52) & 0x7FF) != 0x7FF;
}

int clamp_int(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}
