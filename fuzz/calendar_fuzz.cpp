// days_from_civil and civil_from_days with arbitrary 64-bit day numbers,
// arbitrary int dates and capacities from 1 up.
//
// Properties:
//   - civil_from_days terminates its text within the capacity, leaves the
//     rest alone, gives the first capacity - 1 characters of the full text,
//     and returns -1 exactly when it cut the text (or had no date to give);
//   - its text is a valid date ("%04lld-%02lld-%02lld", month 1 to 12, day
//     within the month), and days_from_civil of that date is the day number
//     again (for years within int);
//   - days_from_civil is linear in the day, carries months 13 and 14 into the
//     next year and months 0 to -9 into the year before, repeats every 400
//     years after 146097 days, and for a valid date gives the day whose text
//     is that date.

#include <climits>
#include <cstdio>
#include <string>

#include "core/format.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr int FULL = 64;

bool leap(long long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

long long days_in_month(long long year, long long month) {
    static const int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap(year) ? 29 : DAYS[month - 1];
}

std::wstring date_text(long long year, long long month, long long day) {
    char narrow[64];
    std::snprintf(narrow, sizeof narrow, "%04lld-%02lld-%02lld", year, month, day);
    std::wstring w;
    for (const char* p = narrow; *p != '\0'; ++p) w.push_back(static_cast<wchar_t>(*p));
    return w;
}

// Reads "[-]YYYY...-MM-DD"; false when the text is not of that form.
bool parse_date(const std::wstring& text, long long* year, long long* month, long long* day) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == L'-') {
        negative = true;
        ++i;
    }
    std::size_t digits = 0;
    unsigned long long y = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
        if (digits >= 19) return false;
        y = y * 10 + static_cast<unsigned>(text[i] - L'0');
        ++i;
        ++digits;
    }
    // With the sign inside the four places, a negative year has three digits or more.
    if (digits < (negative ? 3u : 4u)) return false;
    if (text.size() != i + 6 || text[i] != L'-' || text[i + 3] != L'-') return false;
    for (std::size_t k : {i + 1, i + 2, i + 4, i + 5}) {
        if (text[k] < L'0' || text[k] > L'9') return false;
    }
    *month = (text[i + 1] - L'0') * 10 + (text[i + 2] - L'0');
    *day = (text[i + 4] - L'0') * 10 + (text[i + 5] - L'0');
    if (y > static_cast<unsigned long long>(LLONG_MAX)) return false;
    *year = negative ? -static_cast<long long>(y) : static_cast<long long>(y);
    return true;
}

void check_civil_from_days(long long day_number, int capacity) {
    GuardedText full(FULL);
    const int full_result = civil_from_days(day_number, full.data(), FULL);
    const std::wstring text = full.text();

    GuardedText out(capacity);
    const int result = civil_from_days(day_number, out.data(), capacity);
    FUZZ_CHECK(out.text() == cut_to(text, capacity));

    if (text == L"--") {
        // No date can be computed this far out.
        FUZZ_CHECK(full_result == -1 && result == -1);
        FUZZ_CHECK(day_number > LLONG_MAX - 719468);
        return;
    }
    FUZZ_CHECK(full_result == static_cast<int>(text.size()));
    FUZZ_CHECK(result == (static_cast<int>(text.size()) <= capacity - 1 ? full_result : -1));

    long long year = 0, month = 0, day = 0;
    FUZZ_CHECK(parse_date(text, &year, &month, &day));
    FUZZ_CHECK(month >= 1 && month <= 12);
    FUZZ_CHECK(day >= 1 && day <= days_in_month(year, month));
    FUZZ_CHECK(text == date_text(year, month, day));
    if (year >= INT_MIN && year <= INT_MAX) {
        FUZZ_CHECK(days_from_civil(static_cast<int>(year), static_cast<int>(month),
                                   static_cast<int>(day)) == day_number);
    }
}

void check_days_from_civil(int year, int month, int day) {
    const long long n = days_from_civil(year, month, day);
    FUZZ_CHECK(n - days_from_civil(year, month, 1) == static_cast<long long>(day) - 1);
    if (month >= 13 && month <= 14 && year < INT_MAX) {
        FUZZ_CHECK(n == days_from_civil(year + 1, month - 12, day));
    }
    if (month >= -9 && month <= 0 && year > INT_MIN) {
        FUZZ_CHECK(n == days_from_civil(year - 1, month + 12, day));
    }
    if (year <= INT_MAX - 400) {
        FUZZ_CHECK(days_from_civil(year + 400, month, day) - n == 146097);
    }
    if (month >= 1 && month <= 12 && day >= 1 && day <= days_in_month(year, month)) {
        GuardedText out(FULL);
        civil_from_days(n, out.data(), FULL);
        FUZZ_CHECK(out.text() == date_text(year, month, day));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const long long day_number = in.i64();
    const int capacity = in.capacity(40);
    const int year = in.i32();
    const int month = in.i32();
    const int day = in.i32();

    check_civil_from_days(day_number, capacity);
    // Day numbers of the years people use, where most dates live.
    check_civil_from_days(day_number % 3000000, capacity);
    check_days_from_civil(year, month, day);
    // A valid date of a nearby year.
    const int m = 1 + static_cast<int>(static_cast<unsigned>(month) % 12u);
    const int y = year % 100000;
    check_days_from_civil(y, m, 1 + static_cast<int>(static_cast<unsigned>(day) % days_in_month(y, m)));
    return 0;
}
