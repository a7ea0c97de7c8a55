#include "core/utf8.h"

#include <string>

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


bool is_valid_utf8(const unsigned char* bytes, std::size_t count) {
    std::size_t i = 0;
    while (i < count) {
        unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The length of the sequence, and the range its second byte must lie
        // in so that the form is the shortest and no surrogate is encoded.
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (count - i < length) return false;
        if (bytes[i + 1] < low || bytes[i + 1] > high) return false;
        for (std::size_t k = 2; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

bool append_to_string(const char* bytes, std::size_t count, void* context) {
    static_cast<std::string*>(context)->append(bytes, count);
    return true;
}
