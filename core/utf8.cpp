#include "core/utf8.h"

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

// Reads the character at text[i], moving i past it.
char32_t next_code_point(const wchar_t* text, std::size_t length, std::size_t& i) {
    char32_t unit = static_cast<char32_t>(text[i++]);
    if constexpr (sizeof(wchar_t) == 2) {
        unit &= 0xFFFF;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i < length) {
                char32_t low = static_cast<char32_t>(text[i]) & 0xFFFF;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    ++i;
                    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
            }
            return REPLACEMENT;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) return REPLACEMENT;
        return unit;
    } else {
        if (unit > 0x10FFFF || (unit >= 0xD800 && unit <= 0xDFFF)) return REPLACEMENT;
        return unit;
    }
}

int encode(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

}  // namespace

bool write_utf8(const wchar_t* text, std::size_t length, Utf8Sink sink, void* context) {
    char chunk[1024];
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < length) {
        if (used > sizeof chunk - 4) {
            if (!sink(chunk, used, context)) return false;
            used = 0;
        }
        used += static_cast<std::size_t>(encode(next_code_point(text, length, i), chunk + used));
    }
    if (used > 0) return sink(chunk, used, context);
    return true;
}

std::size_t utf8_size(const wchar_t* text, std::size_t length) {
    std::size_t bytes = 0;
    std::size_t i = 0;
    char scratch[4];
    while (i < length) bytes += static_cast<std::size_t>(encode(next_code_point(text, length, i), scratch));
    return bytes;
}
