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

struct Directive {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    int width = 0;
    int precision = -1;
};

// Writes a number's narrow text with sign, width and padding applied.
// body is the text without its sign; negative says whether a '-' belongs to it.
void put_number(Sink& out, const Directive& directive, bool negative, const char* body, int body_length,
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

void put_integer(Sink& out, const Directive& directive, bool negative, unsigned long long magnitude) {
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

void put_signed(Sink& out, const Directive& directive, long long value) {
    bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    put_integer(out, directive, negative, magnitude);
}

void put_double(Sink& out, const Directive& directive, double value, std::chars_format style, int default_precision) {
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

void run_format(Sink& out, const wchar_t* format, va_list args) {
    if (format == nullptr) return;
    for (const wchar_t* f = format; *f != L'\0'; ++f) {
        if (*f != L'%') {
            out.put(*f);
            continue;
        }
        const wchar_t* start = f;
        ++f;
        Directive directive;
        for (;; ++f) {
            if (*f == L'-') directive.left = true;
            else if (*f == L'0') directive.zero = true;
            else if (*f == L'+') directive.plus = true;
            else if (*f == L' ') directive.space = true;
            else break;
        }
        while (*f >= L'0' && *f <= L'9') {
            if (directive.width < 10000) directive.width = directive.width * 10 + (*f - L'0');
            ++f;
        }
        if (*f == L'.') {
            ++f;
            directive.precision = 0;
            while (*f >= L'0' && *f <= L'9') {
                if (directive.precision < 10000) directive.precision = directive.precision * 10 + (*f - L'0');
                ++f;
            }
        }
        int longs = 0;
        while (*f == L'l') {
            ++longs;
            ++f;
        }
        switch (*f) {
        case L'%':
            out.put(L'%');
            break;
        case L'd':
        case L'i':
            if (longs >= 2) put_signed(out, directive, va_arg(args, long long));
            else if (longs == 1) put_signed(out, directive, va_arg(args, long));
            else put_signed(out, directive, va_arg(args, int));
            break;
        case L'u': {
            // An unsigned number has no sign, so '+' and ' ' add nothing (as in printf).
            Directive unsigned_directive = directive;
            unsigned_directive.plus = false;
            unsigned_directive.space = false;
            if (longs >= 2) put_integer(out, unsigned_directive, false, va_arg(args, unsigned long long));
            else if (longs == 1) put_integer(out, unsigned_directive, false, va_arg(args, unsigned long));
            else put_integer(out, unsigned_directive, false, va_arg(args, unsigned int));
            break;
        }
        case L'c': {
            wchar_t c = static_cast<wchar_t>(va_arg(args, int));
            int fill = directive.width > 1 ? directive.width - 1 : 0;
            if (!directive.left) out.pad(L' ', fill);
            out.put(c);
            if (directive.left) out.pad(L' ', fill);
            break;
        }
        case L's': {
            int length = 0;
            if (longs >= 1) {
                const wchar_t* s = va_arg(args, const wchar_t*);
                if (s == nullptr) s = L"";
                while (s[length] != L'\0' && (directive.precision < 0 || length < directive.precision)) ++length;
                int fill = directive.width > length ? directive.width - length : 0;
                if (!directive.left) out.pad(L' ', fill);
                for (int i = 0; i < length; ++i) out.put(s[i]);
                if (directive.left) out.pad(L' ', fill);
            } else {
                const char* s = va_arg(args, const char*);
                if (s == nullptr) s = "";
                while (s[length] != '\0' && (directive.precision < 0 || length < directive.precision)) ++length;
                int fill = directive.width > length ? directive.width - length : 0;
                if (!directive.left) out.pad(L' ', fill);
                out.put_narrow(s, length);
                if (directive.left) out.pad(L' ', fill);
            }
            break;
        }
        case L'f':
        case L'F':
            put_double(out, directive, va_arg(args, double), std::chars_format::fixed, 6);
            break;
        case L'e':
            put_double(out, directive, va_arg(args, double), std::chars_format::scientific, 6);
            break;
        case L'g': {
            Directive general = directive;
            if (general.precision == 0) general.precision = 1;
            put_double(out, general, va_arg(args, double), std::chars_format::general, 6);
            break;
        }
        default:
            // Not a conversion we know: show it as it stands, like a literal.
            for (const wchar_t* p = start; p <= f && *p != L'\0'; ++p) out.put(*p);
            if (*f == L'\0') return;
            break;
        }
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

int text_vformat(wchar_t* dst, int capacity, const wchar_t* format, va_list args) {
    if (dst == nullptr || capacity < 1) return -1;
    Sink out{dst, capacity, 0, false};
    run_format(out, format, args);
    dst[out.length] = L'\0';
    return out.cut ? -1 : out.length;
}

int text_format(wchar_t* dst, int capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = text_vformat(dst, capacity, format, args);
    va_end(args);
    return result;
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
