#include "core/text.h"

#include <charconv>
#include <cstdint>

namespace {

// Receives the characters of one formatted text and keeps the bound.
struct Sink {
    wchar_t* dst;
    int capacity;
    int length;
    bool cut;

    void put(wchar_t c) {
        if (length < capacity - 1) {
            dst[length++] = c;
        } else {
            cut = true;
        }
    }
    void put_narrow(const char* s, int n) {
        for (int i = 0; i < n; ++i) put(static_cast<wchar_t>(static_cast<unsigned char>(s[i])));
    }
    void pad(wchar_t c, int n) {
        for (int i = 0; i < n; ++i) put(c);
    }
};

// Writes a number's narrow text with sign, width and padding applied.
// body is the text without its sign; negative says whether a '-' belongs to it.
void put_number(Sink& out, const TextDirective& directive, bool negative, const char* body, int body_length,
                bool zero_allowed) {
    char sign = 0;
    if (negative) {
        sign = '-';
    } else if (directive.plus) {
        sign = '+';
    } else if (directive.space) {
        sign = ' ';
    }
    int total = body_length + (sign ? 1 : 0);
    int fill = directive.width > total ? directive.width - total : 0;
    if (directive.left) {
        if (sign) out.put(static_cast<wchar_t>(sign));
        out.put_narrow(body, body_length);
        out.pad(L' ', fill);
    } else if (directive.zero && zero_allowed) {
        if (sign) out.put(static_cast<wchar_t>(sign));
        out.pad(L'0', fill);
        out.put_narrow(body, body_length);
    } else {
        out.pad(L' ', fill);
        if (sign) out.put(static_cast<wchar_t>(sign));
        out.put_narrow(body, body_length);
    }
}

void put_integer(Sink& out, const TextDirective& directive, bool negative, unsigned long long magnitude) {
    char digits[32];
    char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    int length = static_cast<int>(end - digits);
    // A precision on an integer is the least number of digits.
    char body[160];
    int body_length = 0;
    int precision = directive.precision > 120 ? 120 : directive.precision;
    for (int i = length; i < precision; ++i) body[body_length++] = '0';
    if (!(precision == 0 && magnitude == 0)) {
        for (int i = 0; i < length; ++i) body[body_length++] = digits[i];
    }
    put_number(out, directive, negative, body, body_length, directive.precision < 0);
}

void put_signed(Sink& out, const TextDirective& directive, long long value) {
    bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    put_integer(out, directive, negative, magnitude);
}

void put_double(Sink& out, const TextDirective& directive, double value, std::chars_format style, int default_precision) {
    int precision = directive.precision < 0 ? default_precision : directive.precision;
    if (precision > 100) precision = 100;
    // The longest fixed text of a double: 309 integer digits, the point and
    // 100 decimals, plus room for the sign.
    char text[420];
    std::to_chars_result r = std::to_chars(text, text + sizeof text, value, style, precision);
    if (r.ec != std::errc()) {
        r = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, precision);
    }
    const char* body = text;
    bool negative = false;
    if (body < r.ptr && *body == '-') {
        negative = true;
        ++body;
    }
    bool finite = value - value == 0.0;
    put_number(out, directive, negative, body, static_cast<int>(r.ptr - body), finite);
}

// Writes a conversion's text as the format has it.
void put_as_written(Sink& out, const wchar_t* start, int length) {
    for (int i = 0; i < length; ++i) out.put(start[i]);
}

// Writes a text cut to the precision and padded to the width; a narrow text
// is widened byte by byte.
template <typename Char>
void put_text(Sink& out, const TextDirective& directive, const Char* text) {
    int length = 0;
    while (text[length] != Char() && (directive.precision < 0 || length < directive.precision)) ++length;
    int fill = directive.width > length ? directive.width - length : 0;
    if (!directive.left) out.pad(L' ', fill);
    if constexpr (sizeof(Char) == 1) {
        out.put_narrow(text, length);
    } else {
        for (int i = 0; i < length; ++i) out.put(text[i]);
    }
    if (directive.left) out.pad(L' ', fill);
}

// Writes one argument by a directive that takes its kind.
void put_argument(Sink& out, const TextDirective& directive, const TextArg& arg) {
    switch (directive.conversion) {
    case L'd':
    case L'i':
        put_signed(out, directive, arg.as.integer);
        break;
    case L'u': {
        // An unsigned number has no sign, so '+' and ' ' add nothing (as in printf).
        TextDirective unsigned_directive = directive;
        unsigned_directive.plus = false;
        unsigned_directive.space = false;
        put_integer(out, unsigned_directive, false, arg.as.natural);
        break;
    }
    case L'c': {
        int fill = directive.width > 1 ? directive.width - 1 : 0;
        if (!directive.left) out.pad(L' ', fill);
        out.put(arg.as.character);
        if (directive.left) out.pad(L' ', fill);
        break;
    }
    case L's':
        if (arg.kind == TextArgKind::wide_text) {
            put_text(out, directive, arg.as.wide != nullptr ? arg.as.wide : L"");
        } else {
            put_text(out, directive, arg.as.narrow != nullptr ? arg.as.narrow : "");
        }
        break;
    case L'e':
        put_double(out, directive, arg.as.real, std::chars_format::scientific, 6);
        break;
    case L'g': {
        TextDirective general = directive;
        if (general.precision == 0) general.precision = 1;
        put_double(out, general, arg.as.real, std::chars_format::general, 6);
        break;
    }
    default:  // 'f' and 'F'
        put_double(out, directive, arg.as.real, std::chars_format::fixed, 6);
        break;
    }
}

void run_format(Sink& out, const wchar_t* format, const TextArg* args, int count) {
    if (format == nullptr) return;
    if (args == nullptr) count = 0;
    int next = 0;
    for (const wchar_t* f = format; *f != L'\0'; ++f) {
        if (*f != L'%') {
            out.put(*f);
            continue;
        }
        const wchar_t* start = f;
        const TextDirective directive = read_text_directive(start);
        f += directive.length - 1;
        if (!directive.known) {
            // Not a conversion we know, or the format ends inside one: show
            // it as it stands, like a literal.
            put_as_written(out, start, directive.length);
            continue;
        }
        if (directive.takes == TextArgKind::none) {
            out.put(L'%');
            continue;
        }
        // Each conversion uses up one argument; one that is missing or of
        // another kind leaves the conversion as it stands.
        const TextArg* arg = next < count ? &args[next] : nullptr;
        ++next;
        if (arg == nullptr || arg->kind != directive.takes) {
            put_as_written(out, start, directive.length);
            continue;
        }
        put_argument(out, directive, *arg);
    }
}

}  // namespace

int text_length(const wchar_t* text) {
    if (text == nullptr) return 0;
    int n = 0;
    while (text[n] != L'\0') ++n;
    return n;
}

int text_copy(wchar_t* dst, int capacity, const wchar_t* src) {
    if (dst == nullptr || capacity < 1) return 0;
    dst[0] = L'\0';
    return text_append(dst, capacity, src);
}

int text_append_n(wchar_t* dst, int capacity, const wchar_t* src, int count) {
    if (dst == nullptr || capacity < 1) return 0;
    int n = text_length(dst);
    if (src == nullptr || n >= capacity - 1) return n;
    int room = capacity - n - 1;
    if (count < room) room = count;
    int i = 0;
    while (i < room && src[i] != L'\0') {
        dst[n + i] = src[i];
        ++i;
    }
    dst[n + i] = L'\0';
    return n + i;
}

int text_append(wchar_t* dst, int capacity, const wchar_t* src) {
    return text_append_n(dst, capacity, src, capacity);
}

int text_vformat(wchar_t* dst, int capacity, const wchar_t* format, const TextArg* args, int count) {
    if (dst == nullptr || capacity < 1) return -1;
    Sink out{dst, capacity, 0, false};
    run_format(out, format, args, count);
    dst[out.length] = L'\0';
    return out.cut ? -1 : out.length;
}

int text_widen(wchar_t* dst, int capacity, const char* src) {
    if (dst == nullptr || capacity < 1) return 0;
    int n = 0;
    if (src != nullptr) {
        while (n < capacity - 1 && src[n] != '\0') {
            dst[n] = static_cast<wchar_t>(static_cast<unsigned char>(src[n]));
            ++n;
        }
    }
    dst[n] = L'\0';
    return n;
}

int text_flatten(wchar_t* dst, int capacity, const wchar_t* src, int count) {
    if (dst == nullptr || capacity < 1) return 0;
    int n = 0;
    for (int i = 0; src != nullptr && i < count && src[i] != L'\0' && n < capacity - 1; ++i) {
        if (src[i] == L'\r') continue;
        dst[n++] = src[i] == L'\n' ? L' ' : src[i];
    }
    dst[n] = L'\0';
    return n;
}
