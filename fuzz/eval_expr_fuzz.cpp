// eval_expr over arbitrary byte strings, with a tool of a few keys.
//
// Properties, for every text and each of several sets of values:
//   - the flag is written and is 0 or 1; the call is deterministic;
//   - a flag of 0 means a finite value, a text made only of the language's
//     characters, balanced parentheses, no "**", no lone "=", "&" or "|",
//     and no name longer than 63 characters; an empty or blank text fails;
//   - trailing blanks change nothing; a sound text keeps its value and flag
//     inside parentheses (when short enough to stay within the nesting bound);
//   - a text that is one number reads as strtod reads it.

#include <cmath>
#include <cstring>
#include <string>

#include "expr/expr.h"
#include "fuzz/fuzz_support.h"

namespace {

const char LONG_KEY[] = "k23456789012345678901234567890123456789012345678901234567890123";
static_assert(sizeof LONG_KEY == 64, "a key of the longest name");

const ToolInput INPUTS[] = {
    {"crcl", L"", L"", 70.0},
    {"age", L"", L"", 70.0},
    {"w", L"", L"", 65.0},
    {"x_1", L"", L"", 0.0},
    {LONG_KEY, L"", L"", 0.0},
};
const ToolOutput OUTPUTS[] = {
    {"criteria", L"", L"", "", "f0"},
    {"dose", L"", L"", "", "f1"},
    {"crcl", L"", L"", "", "f1"},  // hidden by the input of the same key
};
const ToolDef TOOL = {1, L"", nullptr, L"", L"", nullptr, 5, INPUTS, 3, OUTPUTS, 0, nullptr, 0};

struct Values {
    double inputs[MAX_TOOL_VALUES];
    double outputs[MAX_TOOL_VALUES];
};

const Values VALUE_SETS[] = {
    {{70.0, 70.0, 65.0, 0.0, 1.0}, {0.0, 0.0, 0.0}},
    {{40.0, 85.0, 55.0, -2.5, 1e300}, {2.0, 2.5, 7.0}},
    {{NAN, INFINITY, -0.0, -INFINITY, 5e-324}, {NAN, -INFINITY, 1.0}},
};

bool same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool in_language(char c) {
    return is_name_char(c) || is_space(c) || std::strchr(".+-*/%^!<>=&|?:(),", c) != nullptr;
}

// Necessary conditions of a sound text, read off the characters alone.
void check_sound_text(const std::string& t) {
    int open = 0;
    int close = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const char before = i > 0 ? t[i - 1] : '\0';
        const char after = i + 1 < t.size() ? t[i + 1] : '\0';
        FUZZ_CHECK(in_language(c));
        if (c == '(') ++open;
        if (c == ')') ++close;
        if (c == '*') FUZZ_CHECK(after != '*');
        if (c == '&') FUZZ_CHECK(before == '&' || after == '&');
        if (c == '|') FUZZ_CHECK(before == '|' || after == '|');
        if (c == '=') FUZZ_CHECK(std::strchr("<>=!", before) != nullptr || after == '=');
    }
    FUZZ_CHECK(open == close);
    // A name is read to at most 63 characters; the rest of a longer run stays
    // unread. (A run after "." may be the fraction of a hexadecimal number.)
    std::size_t i = 0;
    while (i < t.size()) {
        if (!is_name_char(t[i])) {
            ++i;
            continue;
        }
        std::size_t start = i;
        while (i < t.size() && is_name_char(t[i])) ++i;
        const bool name = !(t[start] >= '0' && t[start] <= '9');
        const bool after_point = start > 0 && t[start - 1] == '.';
        if (name && !after_point) FUZZ_CHECK(i - start <= 63);
    }
}

double eval(const std::string& text, const Values& v, int* flag) {
    *flag = -7;
    double value = eval_expr(&TOOL, text.c_str(), v.inputs, v.outputs, flag);
    FUZZ_CHECK(*flag == 0 || *flag == 1);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    FuzzInput in(data, size);
    const std::string text = in.rest_text();

    bool blank = true;
    for (char c : text) blank = blank && is_space(c);

    for (const Values& values : VALUE_SETS) {
        int flag = 0;
        const double value = eval(text, values, &flag);

        int again_flag = 0;
        const double again = eval(text, values, &again_flag);
        FUZZ_CHECK(same(value, again) && flag == again_flag);

        if (blank) FUZZ_CHECK(flag == 1 && same(value, 0.0));
        if (flag == 0) {
            FUZZ_CHECK(std::isfinite(value));
            check_sound_text(text);
        }

        // Blanks after the expression are skipped.
        if (!text.empty()) {
            int padded_flag = 0;
            const double padded = eval(text + " \t\r\n", values, &padded_flag);
            FUZZ_CHECK(same(value, padded) && flag == padded_flag);
        }

        // Parentheses around a sound text change nothing. Each nesting level
        // takes at least one character, so a text this short stays within the
        // bound even with one level more.
        if (flag == 0 && text.size() < EXPR_MAX_DEPTH - 10) {
            int wrapped_flag = 0;
            const double wrapped = eval("(" + text + ")", values, &wrapped_flag);
            FUZZ_CHECK(wrapped_flag == 0 && same(value, wrapped));
        }
    }

    // A text that is one number (blanks around it allowed) has strtod's value.
    std::size_t start = 0;
    while (start < text.size() && is_space(text[start])) ++start;
    if (start < text.size() && ((text[start] >= '0' && text[start] <= '9') || text[start] == '.')) {
        const char* begin = text.c_str() + start;
        char* end = nullptr;
        const double expected = std::strtod(begin, &end);
        const char* rest = end;
        while (is_space(*rest)) ++rest;
        if (end != begin && *rest == '\0') {
            int flag = 0;
            const double value = eval(text, VALUE_SETS[0], &flag);
            FUZZ_CHECK(same(value, expected));
            FUZZ_CHECK(flag == (std::isfinite(expected) ? 0 : 1));
        }
    }
    return 0;
}
