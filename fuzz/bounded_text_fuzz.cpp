// The bounded-text helpers of core/text.h: copying, appending, widening and
// the formatter, with arbitrary texts, counts, flags, widths, precisions,
// arguments and capacities from 1 up.
//
// Properties:
//   - every text is terminated within its capacity and nothing past the
//     capacity changes;
//   - copies and appends follow the append rule exactly: with n characters
//     present and n below capacity - 1, at most capacity - n - 1 characters
//     are added; otherwise the text stays as it was;
//   - the formatter (text_vformat, the run-time entry that text_format
//     calls) gives the first capacity - 1 characters of the full text and
//     returns its length, or -1 when it cut it;
//   - each conversion gives the same characters as the C library's snprintf
//     in the "C" locale (integers, narrow strings, "%f", "%g" with flags,
//     width and precision); "%c" and "%ls" pad and cut as printf does;
//   - a conversion given an argument of any other kind, or none, prints as it
//     stands, under the same bound.

#include <algorithm>
#include <climits>
#include <cstdio>
#include <iterator>
#include <string>

#include "core/text.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr int FULL = 2048;

std::wstring widen(const std::string& s) {
    std::wstring w;
    for (unsigned char c : s) w.push_back(static_cast<wchar_t>(c));
    return w;
}

std::wstring pad(const std::wstring& body, int width, bool left) {
    if (static_cast<int>(body.size()) >= width) return body;
    std::wstring fill(static_cast<std::size_t>(width) - body.size(), L' ');
    return left ? body + fill : fill + body;
}

// A conversion, its format text, and what it must give.
struct Conversion {
    std::wstring format;
    std::wstring expected;
};

template <typename... Args>
std::wstring c_library(const std::string& format, Args... args) {
    char narrow[FULL];
    int n = std::snprintf(narrow, sizeof narrow, format.c_str(), args...);
    FUZZ_CHECK(n >= 0 && n < static_cast<int>(sizeof narrow));
    return widen(std::string(narrow, static_cast<std::size_t>(n)));
}

// Formats "<format>" with the arguments at full capacity and at the given
// one, and checks both against "<expected>".
void check_formatted(const std::wstring& conversion, const std::wstring& expected_text, int capacity,
                     const TextArg* args, int count) {
    const std::wstring format = L"<" + conversion + L">";
    const std::wstring expected = L"<" + expected_text + L">";

    GuardedText full(FULL);
    const int full_length = text_vformat(full.data(), FULL, format.c_str(), args, count);
    FUZZ_CHECK(full.text() == expected);
    FUZZ_CHECK(full_length == static_cast<int>(expected.size()));

    GuardedText out(capacity);
    const int length = text_vformat(out.data(), capacity, format.c_str(), args, count);
    FUZZ_CHECK(out.text() == cut_to(expected, capacity));
    FUZZ_CHECK(length == (static_cast<int>(expected.size()) <= capacity - 1 ? full_length : -1));
}

// An argument of every kind, each once.
const TextArg EVERY_KIND[] = {
    text_arg(-7),  text_arg(-7L),   text_arg(-7LL),    text_arg(7U),       text_arg(7UL),
    text_arg(7ULL), text_arg(L'w'), text_arg(L"wide"), text_arg("narrow"), text_arg(0.5),
};

// Checks one conversion against the expected text with its argument; then
// with an argument of another kind (picked by choice) and with none, where
// the conversion prints as it stands.
template <typename Arg>
void check_format(const Conversion& c, int capacity, Arg arg, unsigned choice) {
    const TextArg right = text_arg(arg);
    check_formatted(c.format, c.expected, capacity, &right, 1);

    const TextArg* other = &EVERY_KIND[choice % std::size(EVERY_KIND)];
    if (other->kind == right.kind) other = &EVERY_KIND[(choice + 1) % std::size(EVERY_KIND)];
    check_formatted(c.format, c.format, capacity, other, 1);
    check_formatted(c.format, c.format, capacity, nullptr, 0);
}

// Fills a guarded buffer with a text already present (cut to the capacity).
void preset(GuardedText& out, const std::wstring& present) {
    out.reset();
    const std::wstring kept = cut_to(present, out.capacity());
    for (std::size_t i = 0; i < kept.size(); ++i) out.data()[i] = kept[i];
    out.data()[kept.size()] = L'\0';
}

// The append rule: what a text becomes when src (at most count characters of
// it) is appended at capacity.
std::wstring appended(const std::wstring& present, const std::wstring& src, long long count, int capacity) {
    const long long n = static_cast<long long>(present.size());
    if (n >= capacity - 1) return present;
    long long room = capacity - n - 1;
    if (count < room) room = count < 0 ? 0 : count;
    if (room > static_cast<long long>(src.size())) room = static_cast<long long>(src.size());
    return present + src.substr(0, static_cast<std::size_t>(room));
}

void fuzz_conversion(FuzzInput& in, int capacity) {
    const unsigned kind = in.byte() % 8u;
    const std::uint8_t flags = in.byte();
    // Which argument of another kind each conversion is also given.
    const unsigned choice = flags >> 4;
    const int width = in.byte() % 48;
    const std::uint8_t precision_byte = in.byte();
    const int precision = precision_byte == 0xFF ? -1 : precision_byte % 40;

    std::string directive = "%";
    bool left = false;
    if (flags & 1) directive += '-', left = true;
    const bool numeric = kind <= 3 || kind >= 6;
    if ((flags & 2) && numeric) directive += '0';
    if ((flags & 4) && numeric) directive += '+';
    if ((flags & 8) && numeric) directive += ' ';
    if (width > 0) directive += std::to_string(width);
    if (precision >= 0) directive += "." + std::to_string(precision);

    switch (kind) {
    case 0: {
        const int v = in.i32();
        check_format({widen(directive + "d"), c_library(directive + "d", v)}, capacity, v, choice);
        check_format({widen(directive + "i"), c_library(directive + "i", v)}, capacity, v, choice);
        break;
    }
    case 1: {
        const long long v = in.i64();
        check_format({widen(directive + "lld"), c_library(directive + "lld", v)}, capacity, v, choice);
        break;
    }
    case 2: {
        const long v = static_cast<long>(in.i64());
        check_format({widen(directive + "ld"), c_library(directive + "ld", v)}, capacity, v, choice);
        break;
    }
    case 3: {
        const unsigned v = in.u32();
        check_format({widen(directive + "u"), c_library(directive + "u", v)}, capacity, v, choice);
        break;
    }
    case 4: {
        // %c: one wide character, padded to the width.
        wchar_t c = static_cast<wchar_t>(in.u16());
        if (c == 0) c = L'x';
        std::string c_spec = "%";
        if (left) c_spec += '-';
        if (width > 0) c_spec += std::to_string(width);
        check_format({widen(c_spec + "c"), pad(std::wstring(1, c), width, left)}, capacity, c, choice);
        break;
    }
    case 5: {
        // %ls: a wide text cut to the precision, padded to the width.
        std::string s_spec = "%";
        if (left) s_spec += '-';
        if (width > 0) s_spec += std::to_string(width);
        if (precision >= 0) s_spec += "." + std::to_string(precision);
        const std::wstring s = in.rest_wide();
        std::wstring body = precision >= 0 ? s.substr(0, static_cast<std::size_t>(precision)) : s;
        check_format({widen(s_spec + "ls"), pad(body, width, left)}, capacity, s.c_str(), choice);
        // %s: a narrow text, widened byte by byte.
        std::string narrow;
        for (wchar_t c : s) narrow.push_back(static_cast<char>(c & 0xFF ? c & 0xFF : 'z'));
        check_format({widen(s_spec + "s"), c_library(s_spec + "s", narrow.c_str())}, capacity,
                     narrow.c_str(), choice);
        break;
    }
    case 6: {
        const double v = in.f64();
        check_format({widen(directive + "f"), c_library(directive + "f", v)}, capacity, v, choice);
        break;
    }
    default: {
        const double v = in.f64();
        check_format({widen(directive + "g"), c_library(directive + "g", v)}, capacity, v, choice);
        break;
    }
    }
}

void fuzz_append(FuzzInput& in, int capacity) {
    const int present_length = in.byte();
    const long long count = static_cast<long long>(in.i32() % 600);
    const std::wstring all = in.rest_wide();
    const std::size_t split = std::min(all.size(), static_cast<std::size_t>(present_length));
    const std::wstring present = cut_to(all.substr(0, split), capacity);
    const std::wstring src = all.substr(split);

    GuardedText out(capacity);

    preset(out, present);
    FUZZ_CHECK(text_length(out.data()) == static_cast<int>(present.size()));
    int n = text_append(out.data(), capacity, src.c_str());
    FUZZ_CHECK(out.text() == appended(present, src, LLONG_MAX, capacity));
    FUZZ_CHECK(n == static_cast<int>(out.text().size()));

    preset(out, present);
    n = text_append_n(out.data(), capacity, src.c_str(), static_cast<int>(count));
    FUZZ_CHECK(out.text() == appended(present, src, count, capacity));
    FUZZ_CHECK(n == static_cast<int>(out.text().size()));

    preset(out, present);
    n = text_append(out.data(), capacity, nullptr);
    FUZZ_CHECK(out.text() == present && n == static_cast<int>(present.size()));

    preset(out, present);
    n = text_copy(out.data(), capacity, src.c_str());
    FUZZ_CHECK(out.text() == cut_to(src, capacity));
    FUZZ_CHECK(n == static_cast<int>(out.text().size()));

    preset(out, present);
    text_copy(out.data(), capacity, nullptr);
    FUZZ_CHECK(out.text().empty());

    // Widening: each byte becomes one character.
    std::string narrow;
    for (wchar_t c : src) narrow.push_back(static_cast<char>(c & 0xFF ? c & 0xFF : 'z'));
    preset(out, present);
    n = text_widen(out.data(), capacity, narrow.c_str());
    FUZZ_CHECK(out.text() == cut_to(widen(narrow), capacity));
    FUZZ_CHECK(n == static_cast<int>(out.text().size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 2048) return 0;
    FuzzInput in(data, size);
    const bool append = in.byte() & 1;
    const int capacity = in.capacity(600);
    if (append) {
        fuzz_append(in, capacity);
    } else {
        fuzz_conversion(in, capacity);
    }
    return 0;
}
