#include "core/format.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "core/convert.h"
#include "core/text.h"

namespace {

// Day numbers above this would overflow the shift to days since 0000-03-01.
constexpr long long LAST_CONVERTIBLE_DAY = LLONG_MAX - 719468;

// Puts a leading '0' before the count digits of a number.
void digits_shift(char* digits, int& count) {
    for (int i = count; i > 0; --i) digits[i] = digits[i - 1];
    digits[0] = '0';
    ++count;
}

bool code_is(const char* code, const char* name) {
    return std::strcmp(code, name) == 0;
}

}  // namespace

void format_value(const char* format, double value, wchar_t* buffer, int capacity) {
    if (buffer == nullptr || capacity < 1) return;
    if (!is_finite_value(value)) {
        text_copy(buffer, capacity, L"--");
        return;
    }
    const char* code = format != nullptr ? format : "f2";
    int decimals = 2;
    bool percent = false;
    if (code_is(code, "f0")) {
        decimals = 0;
    } else if (code_is(code, "f1")) {
        decimals = 1;
    } else if (code_is(code, "f3")) {
        decimals = 3;
    } else if (code_is(code, "int")) {
        decimals = 0;
    } else if (code_is(code, "pct")) {
        decimals = 1;
        percent = true;
    } else if (code_is(code, "date")) {
        long long day = 0;
        if (!double_to_int64(value, &day)) {
            // No day number exists for it: show it like any value that cannot be shown.
            text_copy(buffer, capacity, L"--");
            return;
        }
        civil_from_days(day, buffer, capacity);
        return;
    }

    // Values that are a whole number of units of the last decimal place (0, 5,
    // 2.5 under "f1", ...) are written from that whole number directly. When
    // the scaled value rounds to a whole number below 2^52, the exact scaled
    // value lies within a quarter of it, so these digits are the correctly
    // rounded ones that the general conversion below would give.
    static const double scale[] = {1.0, 10.0, 100.0, 1000.0};
    double scaled = value * scale[decimals];
    if (scaled > -4503599627370496.0 && scaled < 4503599627370496.0 &&
        scaled == static_cast<double>(static_cast<long long>(scaled))) {
        long long units = static_cast<long long>(scaled);
        bool negative = std::signbit(value);
        unsigned long long magnitude = static_cast<unsigned long long>(units < 0 ? -units : units);
        char digits[24];
        int count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
        char narrow[40];
        int n = 0;
        if (negative) narrow[n++] = '-';
        // At least one digit before the point.
        while (count <= decimals) digits_shift(digits, count);
        int whole = count - decimals;
        for (int i = 0; i < whole; ++i) narrow[n++] = digits[i];
        if (decimals > 0) {
            narrow[n++] = '.';
            for (int i = whole; i < count; ++i) narrow[n++] = digits[i];
        }
        if (percent) narrow[n++] = '%';
        narrow[n] = '\0';
        text_widen(buffer, capacity, narrow);
        return;
    }

    // 79 characters and the terminator, the percent sign of "pct" included. A
    // fixed text longer than that (values of about 1e74 and more) would have
    // to be cut, which would show a wrong number; such values are written in
    // exponent form with the same decimals.
    char narrow[80];
    char* last = narrow + sizeof narrow - 1 - (percent ? 1 : 0);
    std::to_chars_result r = std::to_chars(narrow, last, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        r = std::to_chars(narrow, last, value, std::chars_format::scientific, decimals);
    }
    char* end = r.ptr;
    if (percent) *end++ = '%';
    *end = '\0';
    text_widen(buffer, capacity, narrow);
}

int format_input_value(double value, wchar_t* buffer, int capacity) {
    return text_format(buffer, capacity, L"%g", value);
}

long long days_from_civil(int year, int month, int day) {
    // All in 64 bits: no int input can overflow any step.
    long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long mp = month > 2 ? static_cast<long long>(month) - 3 : static_cast<long long>(month) + 9;
    long long doy = (153 * mp + 2) / 5 + static_cast<long long>(day) - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int civil_from_days(long long day_number, wchar_t* buffer, int capacity) {
    if (day_number > LAST_CONVERTIBLE_DAY) {
        text_copy(buffer, capacity, L"--");
        return -1;
    }
    long long z = day_number + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long day = doy - (153 * mp + 2) / 5 + 1;
    long long month = mp < 10 ? mp + 3 : mp - 9;
    long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return text_format(buffer, capacity, L"%04lld-%02lld-%02lld", year, month, day);
}
