// The evaluator reads nothing past a text's terminator. Each text sits at the
// very end of a heap block of its exact size, so that a read of the byte after
// the terminator is caught by the sanitizer build and by valgrind; the values
// and flags pin what each ending means.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/tool.h"
#include "expr/expr.h"

namespace {

struct Case {
    const char* text;
    double value;
    int flag;
};

TEST(ExprTextBounds, TextsEndingWhereAnOperatorCouldBegin) {
    const double inputs[MAX_TOOL_VALUES] = {70, 70, 65};
    const double outputs[MAX_TOOL_VALUES] = {};
    // Every level looks at the character after an operator's first one
    // ("<=", "==", "!=", "&&", "||", "**"); each text ends right there.
    const Case cases[] = {
        {"1", 1.0, 0},         {"crcl", 70.0, 0},   {"1 ", 1.0, 0},     {"1<", 0.0, 1},
        {"1>", 1.0, 1},        {"1=", 1.0, 1},      {"1!", 1.0, 1},     {"1&", 1.0, 1},
        {"1|", 1.0, 1},        {"1*", 0.0, 1},      {"1/", 0.0, 1},     {"(1", 1.0, 1},
        {"sqrt(4", 2.0, 1},    {"max(1,2", 2.0, 1}, {"1?2", 2.0, 1},    {"2^", 1.0, 1},
        {"1e", 1.0, 1},        {"0x", 0.0, 1},      {".", 0.0, 1},      {"-", -0.0, 1},
        {"!", 1.0, 1},         {"1<=", 0.0, 1},     {"1&&", 0.0, 1},    {"0||", 0.0, 1},
    };
    for (const Case& c : cases) {
        const std::size_t size = std::strlen(c.text) + 1;
        std::unique_ptr<char[]> text(new char[size]);
        std::memcpy(text.get(), c.text, size);
        int flag = -7;
        const double value = eval_expr(get_tool(), text.get(), inputs, outputs, &flag);
        EXPECT_EQ(flag, c.flag) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

}  // namespace
