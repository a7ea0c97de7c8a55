// write_utf8 with arbitrary wide texts: characters of every
// plane, surrogates, values beyond U+10FFFF and negative units, zeros, and
// texts longer than one chunk.
//
// Properties:
//   - the bytes are well-formed UTF-8 (no overlong forms, no surrogates) and
//     decode to the text's characters, each unit that is not a character
//     becoming U+FFFD;
//   - chunks are never empty and never larger than the converter's buffer;
//   - a sink that refuses a chunk stops the conversion: write_utf8 returns
//     false and no further chunk arrives.

#include <string>
#include <vector>

#include "core/utf8.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::size_t CHUNK_LIMIT = 1024;

struct Collected {
    std::string bytes;
    int chunks = 0;
    int refuse_at = -1;  // the chunk (counted from 0) that is refused; -1: none
    bool called_after_refusal = false;
    bool refused = false;
};

bool collect(const char* bytes, std::size_t count, void* context) {
    Collected* c = static_cast<Collected*>(context);
    FUZZ_CHECK(count > 0 && count <= CHUNK_LIMIT);
    if (c->refused) c->called_after_refusal = true;
    if (c->chunks == c->refuse_at) {
        c->refused = true;
        ++c->chunks;
        return false;
    }
    ++c->chunks;
    c->bytes.append(bytes, count);
    return true;
}

// Strict UTF-8 decoding; aborts on anything ill-formed.
std::u32string decode(const std::string& bytes) {
    std::u32string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, c = b & 0x07;
        } else {
            FUZZ_CHECK(!"invalid lead byte");
        }
        FUZZ_CHECK(i + static_cast<std::size_t>(extra) < bytes.size() || extra == 0);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            FUZZ_CHECK((t & 0xC0) == 0x80);
            c = (c << 6) | (t & 0x3F);
        }
        static const char32_t LEAST[] = {0, 0x80, 0x800, 0x10000};
        FUZZ_CHECK(c >= LEAST[extra]);                 // not overlong
        FUZZ_CHECK(c <= 0x10FFFF);
        FUZZ_CHECK(!(c >= 0xD800 && c <= 0xDFFF));     // no surrogates
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 12000) return 0;
    FuzzInput in(data, size);
    const int refuse_at = in.byte() % 8;
    std::wstring text;
    while (in.remaining() > 0) {
        const std::uint8_t mode = in.byte();
        std::uint32_t unit;
        switch (mode % 4) {
        case 0: unit = in.u16(); break;                      // the Basic Multilingual Plane
        case 1: unit = in.u32() % 0x110000u; break;          // any code point
        case 2: unit = in.u32(); break;                      // any unit at all
        default: unit = in.byte() & 0x7F; break;             // ASCII
        }
        // Long runs of one character make texts of many chunks cheaply.
        const int repeat = (mode >> 2) == 0x3F ? 300 : 1;
        for (int k = 0; k < repeat; ++k) text.push_back(static_cast<wchar_t>(unit));
    }

    // Expected characters (wchar_t is UTF-32 here).
    std::u32string expected;
    for (wchar_t w : text) {
        const char32_t c = static_cast<char32_t>(w);
        expected.push_back(c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c);
    }

    Collected all;
    FUZZ_CHECK(write_utf8(text.data(), text.size(), collect, &all));
    FUZZ_CHECK(!all.refused);
    FUZZ_CHECK(decode(all.bytes) == expected);
    FUZZ_CHECK(text.empty() == (all.chunks == 0));

    // The same text with a sink that refuses one of its chunks.
    Collected partial;
    partial.refuse_at = refuse_at;
    const bool finished = write_utf8(text.data(), text.size(), collect, &partial);
    FUZZ_CHECK(!partial.called_after_refusal);
    FUZZ_CHECK(finished == (refuse_at >= all.chunks));
    FUZZ_CHECK(finished == !partial.refused);
    FUZZ_CHECK(all.bytes.compare(0, partial.bytes.size(), partial.bytes) == 0);

    // A prefix of the text converts to a prefix of the bytes.
    const std::size_t half = text.size() / 2;
    Collected first;
    FUZZ_CHECK(write_utf8(text.data(), half, collect, &first));
    FUZZ_CHECK(first.bytes == all.bytes.substr(0, first.bytes.size()));
    FUZZ_CHECK(decode(first.bytes) == expected.substr(0, half));
    return 0;
}
