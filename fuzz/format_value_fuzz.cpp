// format_value with arbitrary doubles (NaN payloads and infinities included),
// every format code, unknown codes and capacities from 1 up.
//
// Properties:
//   - the text is terminated within the capacity and nothing past it changes;
//   - a smaller capacity gives the first capacity - 1 characters of the text;
//   - NaN and infinities give "--" under every code;
//   - fixed codes give the correctly rounded fixed text of printf ("%.Nf" in
//     the "C" locale), "pct" with a "%" after it; texts too long for the
//     79-character room come in exponent form with the same decimals instead;
//     so the text reads back as the value within half a unit of its last place;
//   - a null or unknown code formats exactly as "f2";
//   - "date" writes the day of the value truncated toward zero, or "--" when
//     the value lies outside the day numbers.

#include <cmath>
#include <cstdio>
#include <string>

#include "core/convert.h"
#include "core/format.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr int FULL = 128;

std::wstring format_full(const char* code, double value) {
    GuardedText out(FULL);
    format_value(code, value, out.data(), FULL);
    return out.text();
}

std::wstring widen(const char* s) {
    std::wstring w;
    for (; *s != '\0'; ++s) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*s)));
    return w;
}

// The text the fixed codes must give: printf's, or its exponent form when the
// fixed text does not fit 78 characters (79 with the percent sign).
std::wstring expected_fixed(int decimals, bool percent, double value) {
    char fixed[400];
    int n = std::snprintf(fixed, sizeof fixed, "%.*f", decimals, value);
    FUZZ_CHECK(n > 0 && n < static_cast<int>(sizeof fixed));
    std::wstring text;
    if (n <= 78) {
        text = widen(fixed);
    } else {
        char scientific[64];
        std::snprintf(scientific, sizeof scientific, "%.*e", decimals, value);
        text = widen(scientific);
    }
    if (percent) text += L'%';
    return text;
}

void check_reads_back(const std::wstring& text, int decimals, bool percent, double value) {
    std::string narrow;
    for (wchar_t c : text) narrow.push_back(static_cast<char>(c));
    if (percent) {
        FUZZ_CHECK(!narrow.empty() && narrow.back() == '%');
        narrow.pop_back();
    }
    // Read back in long double, which holds "2e+308" (the exponent form of
    // values near the largest double) without overflowing.
    char* end = nullptr;
    const long double back = std::strtold(narrow.c_str(), &end);
    FUZZ_CHECK(*end == '\0');
    // Half a unit of the last decimal place, and for exponent forms half a
    // unit of the last digit relative to the value; plus the rounding of the
    // reading itself.
    const long double v = value;
    const long double half_unit = 0.5L * std::pow(10.0L, -decimals);
    const long double allowed = std::fmax(half_unit, std::fabs(v) * half_unit) * (1.0L + 1e-12L) +
                                std::fabs(v) * 1e-15L;
    FUZZ_CHECK(std::fabs(back - v) <= allowed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 256) return 0;
    FuzzInput in(data, size);
    static const char* const CODES[] = {"f0", "f1", "f2", "f3", "int", "pct", "date", nullptr};
    const unsigned choice = in.byte() % 9u;
    const int capacity = in.capacity(300);
    const double value = in.f64();
    std::string custom = in.rest_text();
    const char* code = choice < 8 ? CODES[choice] : custom.c_str();

    GuardedText out(capacity);
    format_value(code, value, out.data(), capacity);
    const std::wstring full = format_full(code, value);
    FUZZ_CHECK(out.text() == cut_to(full, capacity));

    if (!std::isfinite(value)) {
        FUZZ_CHECK(full == L"--");
        return 0;
    }

    const std::string name = code != nullptr ? code : "";
    if (name == "date") {
        long long day = 0;
        if (double_to_int64(value, &day)) {
            GuardedText date(FULL);
            civil_from_days(day, date.data(), FULL);
            FUZZ_CHECK(full == date.text());
        } else {
            FUZZ_CHECK(full == L"--");
        }
        return 0;
    }

    int decimals = 2;
    bool percent = false;
    if (name == "f0" || name == "int") decimals = 0;
    else if (name == "f1") decimals = 1;
    else if (name == "f3") decimals = 3;
    else if (name == "pct") decimals = 1, percent = true;
    else FUZZ_CHECK(full == format_full("f2", value));

    FUZZ_CHECK(full == expected_fixed(decimals, percent, value));
    FUZZ_CHECK(full.size() <= 79);
    check_reads_back(full, decimals, percent, value);
    return 0;
}
