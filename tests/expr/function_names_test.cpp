// Built-in functions are found by their exact name only. The table is searched
// by the name's length first, so near misses of every length are pinned here:
// a name one letter off, cut short, run on, or in other case is an unknown
// function (0.0, flag 1), whatever its length and number of arguments.

#include <gtest/gtest.h>

#include "core/tool.h"
#include "expr/expr.h"

namespace {

TEST(ExprFunctionNames, NearMissesOfEveryLengthAreUnknown) {
    const double inputs[MAX_TOOL_VALUES] = {70, 70, 65};
    const double outputs[MAX_TOOL_VALUES] = {};
    const char* const texts[] = {
        // One argument: three, four and five letters, as in the table.
        "abz(4)", "exq(4)", "lg(4)", "logg(4)", "Abs(4)",
        "sqrx(4)", "ceel(4)", "cbrtt(4)", "sigh(4)", "SQRT(4)", "sinh(4)", "atan(4)",
        "log1(4)", "floo(4)", "roundd(4)", "Floor(4)", "log100(4)", "trunc(4)", "asinh(4)",
        // Two arguments.
        "mi(1, 2)", "mins(1, 2)", "Max(1, 2)", "po(1, 2)", "powr(1, 2)", "mod2(1, 2)", "atan2(1, 2)",
        "hypot(3, 4)", "sqrt(4, 4)", "round(1, 2)",
    };
    for (const char* text : texts) {
        int flag = -7;
        const double value = eval_expr(get_tool(), text, inputs, outputs, &flag);
        EXPECT_EQ(flag, 1) << text;
        EXPECT_EQ(value, 0.0) << text;
    }
}

TEST(ExprFunctionNames, ApplyFunction1KnowsOnlyTheExactNames) {
    const char* const unknown[] = {"", "sqr", "sqrtt", "Log", "log1", "flor", "rounds", "min", "pow", "mod"};
    for (const char* name : unknown) {
        int error = 0;
        EXPECT_EQ(apply_function1(name, 4.0, &error), 0.0) << name;
        EXPECT_EQ(error, 1) << name;
    }
    const char* const known[] = {"sqrt", "abs", "log", "log10", "exp", "floor", "ceil", "round", "cbrt", "sign"};
    for (const char* name : known) {
        int error = 0;
        apply_function1(name, 4.0, &error);
        EXPECT_EQ(error, 0) << name;
    }
}

}  // namespace
