// The comparison of a written self-test report with the report a tool
// declares. It has a file of its own so that a tool's program, which writes
// reports but never compares them, links none of it.

#include <cstddef>

#include "app/selftest.h"
#include "core/format.h"

namespace {

// Offsets beyond this many days are no date a report shows; such a token is
// compared as it stands.
constexpr int MAX_OFFSET_DIGITS = 6;
// Day numbers beyond this bound are not days a clock gives: every token then
// stands for "--", as a report without a usable date of today shows its dates.
constexpr long long MAX_DAY = 1LL << 40;

// Reads a date token ("{today}", "{today+N}", "{today-N}") at text. Returns
// its length and sets offset, or returns 0 when text holds none.
std::size_t read_date_token(const char* text, std::size_t length, long long* offset) {
    static const char head[] = "{today";
    const std::size_t head_length = sizeof head - 1;
    if (length < head_length + 1) return 0;
    for (std::size_t i = 0; i < head_length; ++i) {
        if (text[i] != head[i]) return 0;
    }
    std::size_t at = head_length;
    if (text[at] == '}') {
        *offset = 0;
        return at + 1;
    }
    if (text[at] != '+' && text[at] != '-') return 0;
    bool negative = text[at++] == '-';
    long long value = 0;
    std::size_t digits = 0;
    while (at < length && text[at] >= '0' && text[at] <= '9' && digits < MAX_OFFSET_DIGITS + 1) {
        value = value * 10 + (text[at++] - '0');
        ++digits;
    }
    if (digits == 0 || digits > MAX_OFFSET_DIGITS || at >= length || text[at] != '}') return 0;
    *offset = negative ? -value : value;
    return at + 1;
}

// The date of day + offset as the program writes it, in ASCII; returns its
// length.
int date_text(long long day, long long offset, char* text, int capacity) {
    wchar_t wide[32] = L"--";
    if (day >= -MAX_DAY && day <= MAX_DAY) civil_from_days(day + offset, wide, 32);
    int length = 0;
    while (wide[length] != L'\0' && length < capacity) {
        text[length] = static_cast<char>(wide[length]);
        ++length;
    }
    return length;
}

}  // namespace

int selftest_report_mismatch(const char* expected, std::size_t expected_length, const char* written,
                             std::size_t written_length, long long day) {
    std::size_t e = 0;
    std::size_t w = 0;
    int line = 1;
    while (e < expected_length) {
        long long offset = 0;
        std::size_t token = expected[e] == '{' ? read_date_token(expected + e, expected_length - e, &offset) : 0;
        if (token > 0) {
            char date[32];
            int date_length = date_text(day, offset, date, sizeof date);
            for (int i = 0; i < date_length; ++i, ++w) {
                if (w >= written_length || written[w] != date[i]) return line;
            }
            e += token;
            continue;
        }
        if (w >= written_length || written[w] != expected[e]) return line;
        if (written[w] == '\n') ++line;
        ++e;
        ++w;
    }
    return w == written_length ? 0 : line;
}
