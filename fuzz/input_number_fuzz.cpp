// read_number and read_input_values, the reading of the numbers typed into
// the input fields, with arbitrary wide texts.
//
// Properties:
//   - read_number gives what the C library's wcstod gives for the field's
//     text (its first INPUT_TEXT_CAPACITY - 1 characters, with what an
//     input method types or a pasted text carries in place of ASCII digits,
//     signs, points, exponent letters and blanks in their ASCII forms, and
//     without the invisible format characters pasted text carries) in the
//     "C" locale: the same bits, or NaN for NaN; a text
//     without a number gives +0;
//   - characters past the field's room change nothing;
//   - read_input_values stores every value and returns -1 when all are
//     finite, read whole and every text fits the field's room; otherwise it
//     returns the first field that is too long, whose value is infinite or
//     NaN or whose rest continues its number, and leaves the values
//     untouched.

#include <cmath>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "ui/input_number.h"
#include "core/tool.h"
#include "fuzz/fuzz_support.h"

namespace {

// Value slots checked, more than any form has, to see that none past the
// fields is written.
constexpr int MAX_VALUES_GUARD = MAX_TOOL_VALUES + 4;

bool same(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

double c_library(const std::wstring& text) {
    std::wstring field;
    for (wchar_t c : text.substr(0, INPUT_TEXT_CAPACITY - 1)) {
        // Format characters (general category Cf); wchar_t is 32 bits here.
        if (c == 0x110BD || c == 0x110CD || (c >= 0x13430 && c <= 0x1343F) || (c >= 0x1BCA0 && c <= 0x1BCA3) ||
            (c >= 0x1D173 && c <= 0x1D17A) || c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F)) {
            continue;
        }
        if (c == 0x00AD || (c >= 0x0600 && c <= 0x0605) || c == 0x061C || c == 0x06DD || c == 0x070F ||
            c == 0x0890 || c == 0x0891 || c == 0x08E2 || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
            (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x206F) ||
            c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB)) {
            continue;
        }
        if (c >= 0xFF01 && c <= 0xFF5E && std::wcschr(L"0123456789.+-eE", static_cast<wchar_t>(c - 0xFEE0))) {
            c = static_cast<wchar_t>(c - 0xFEE0);
        } else if (c == 0x3007) {
            c = L'0';
        } else if (c == 0x3002 || c == 0xFF61 || c == 0xFE52 || c == 0x2024) {
            c = L'.';
        } else if (c == 0x2212) {
            c = L'-';
        } else if (c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
                   c == 0x3000) {
            c = L' ';
        }
        field += c;
    }
    wchar_t* end = nullptr;
    const double v = std::wcstod(field.c_str(), &end);
    return end == field.c_str() ? 0.0 : v;
}

// What input methods and pasted texts carry in place of ASCII, and a few
// look-alikes that are not part of a number.
const wchar_t TYPED_FORMS[] =
    L"\uFF0E\uFF0B\uFF0D\uFF45\uFF25\u3000\uFF58\u3002\uFF61\u2212\u00A0\u2007\u202F\u200B\uFEFF\u200E\u202C"
    L"\u2060\u00AD\u2065\uFE52\u2024\u2027\uFFFB\u3007,\uFF0C\u3001O:";

// Texts from the fuzz input; a few bytes stand for the words and characters
// that numbers are made of, so that they come up often.
std::vector<std::wstring> read_texts(FuzzInput& in) {
    std::vector<std::wstring> texts(1);
    while (in.remaining() > 0) {
        const std::uint8_t b = in.byte();
        std::wstring& t = texts.back();
        switch (b) {
        case 0xF0: t += L"inf"; break;
        case 0xF1: t += L"INFINITY"; break;
        case 0xF2: t += L"nan"; break;
        case 0xF3: t += L"0x"; break;
        case 0xF4: t += L"e-"; break;
        case 0xF5: t += in.character(); break;
        case 0xF6: t += std::wstring(static_cast<std::size_t>(in.byte() % 40), L'0'); break;
        case 0xF7: t += std::wstring(static_cast<std::size_t>(in.byte() % 40), L'9'); break;
        case 0xF8:
            if (texts.size() < 20) texts.emplace_back();
            break;
        case 0xF9: t += static_cast<wchar_t>(0xFF10 + in.byte() % 10); break;   // full-width digit
        case 0xFA: t += TYPED_FORMS[in.byte() % (std::size(TYPED_FORMS) - 1)]; break;
        case 0xFB: t += std::wstring(static_cast<std::size_t>(in.byte()), L'0'); break;
        default:
            if (b != 0) t += static_cast<wchar_t>(b);
            break;
        }
    }
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 2048) return 0;
    FuzzInput in(data, size);
    const std::vector<std::wstring> texts = read_texts(in);

    for (const std::wstring& text : texts) {
        const double value = read_number(text.c_str());
        FUZZ_CHECK(same(value, c_library(text)));
        const std::wstring field = text.substr(0, INPUT_TEXT_CAPACITY - 1);
        FUZZ_CHECK(same(value, read_number(field.c_str())));
    }

    // The fields of a form: each text cut to what a field is fetched into.
    const int count = static_cast<int>(texts.size() < 16 ? texts.size() : 16);
    wchar_t fields[MAX_TOOL_VALUES][INPUT_FIELD_CAPACITY];
    for (int i = 0; i < count; ++i) {
        const std::wstring field = texts[static_cast<std::size_t>(i)].substr(0, INPUT_FIELD_CAPACITY - 1);
        std::wmemcpy(fields[i], field.c_str(), field.size() + 1);
    }
    const double MARK = -12345.678;
    double values[MAX_VALUES_GUARD];
    for (double& v : values) v = MARK;
    const InputReading reading = read_input_values(fields, count, nullptr, nullptr, values);
    const int refused = reading.refused;

    int first_bad = -1;
    FieldRefusal why = FieldRefusal::NONE;
    for (int i = 0; i < count && first_bad < 0; ++i) {
        const bool too_long = std::wcslen(fields[i]) > static_cast<std::size_t>(INPUT_TEXT_CAPACITY - 1);
        if (too_long || !std::isfinite(read_number(fields[i]))) {
            first_bad = i;
            why = FieldRefusal::NOT_A_NUMBER;
        } else if (read_field(fields[i]).continued) {
            first_bad = i;
            why = FieldRefusal::CONTINUED;
        }
    }
    FUZZ_CHECK(refused == first_bad);
    FUZZ_CHECK(reading.why == why);
    for (int i = 0; i < MAX_VALUES_GUARD; ++i) {
        if (refused < 0 && i < count) {
            FUZZ_CHECK(same(values[i], read_number(fields[i])));
        } else {
            FUZZ_CHECK(values[i] == MARK);
        }
    }
    return 0;
}
