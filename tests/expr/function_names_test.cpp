// Built-in functions are found by their exact name and number of arguments.
// Each function is called with the right and the wrong number of arguments,
// and near misses of its name (one letter off, cut short, run on, in other
// case) are unknown functions (0.0, flag 1), as are the names of functions
// that the language does not have.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/tool.h"
#include "expr/expr.h"

namespace {

struct BuiltIn {
    const char* name;
    int arity;
};

const BuiltIn BUILT_INS[] = {
    {"sqrt", 1}, {"abs", 1},   {"log", 1},  {"log10", 1}, {"exp", 1}, {"floor", 1}, {"ceil", 1},
    {"round", 1}, {"cbrt", 1}, {"sign", 1}, {"min", 2},   {"max", 2}, {"pow", 2},   {"mod", 2},
};

struct Outcome {
    double value;
    int flag;
};

// name called with arity arguments, each 4.
Outcome call(const std::string& name, int arity) {
    const double inputs[MAX_TOOL_VALUES] = {70, 70, 65};
    const double outputs[MAX_TOOL_VALUES] = {};
    const std::string text = name + (arity == 1 ? "(4)" : "(4, 4)");
    int flag = -7;
    const double value = eval_expr(get_tool(), text.c_str(), inputs, outputs, &flag);
    return {value, flag};
}

std::vector<std::string> near_misses(const std::string& name) {
    std::string upper = name;
    upper[0] = static_cast<char>(upper[0] - 'a' + 'A');
    std::string next_letter = name;
    ++next_letter.back();
    return {
        name.substr(0, name.size() - 1),  // cut short
        name.substr(1),                   // first letter lost
        name + "s",                       // run on
        name + "_",
        upper,                            // other case
        next_letter,                      // last letter off by one
    };
}

TEST(ExprFunctionNames, EachBuiltInByNameAndNumberOfArguments) {
    for (const BuiltIn& f : BUILT_INS) {
        const Outcome right = call(f.name, f.arity);
        EXPECT_EQ(right.flag, 0) << f.name;

        const Outcome wrong_arity = call(f.name, 3 - f.arity);
        EXPECT_EQ(wrong_arity.flag, 1) << f.name;
        EXPECT_EQ(wrong_arity.value, 0.0) << f.name;

        int error = 0;
        apply_function1(f.name, 4.0, &error);
        EXPECT_EQ(error, f.arity == 1 ? 0 : 1) << f.name;

        for (const std::string& miss : near_misses(f.name)) {
            for (int arity = 1; arity <= 2; ++arity) {
                const Outcome o = call(miss, arity);
                EXPECT_EQ(o.flag, 1) << miss << " with " << arity;
                EXPECT_EQ(o.value, 0.0) << miss << " with " << arity;
            }
            error = 0;
            EXPECT_EQ(apply_function1(miss.c_str(), 4.0, &error), 0.0) << miss;
            EXPECT_EQ(error, 1) << miss;
        }
    }
}

TEST(ExprFunctionNames, FunctionsTheLanguageDoesNotHave) {
    const char* const names[] = {"sinh", "atan", "trunc", "asinh", "atan2", "hypot", "ln", "SQRT"};
    for (const char* name : names) {
        for (int arity = 1; arity <= 2; ++arity) {
            const Outcome o = call(name, arity);
            EXPECT_EQ(o.flag, 1) << name << " with " << arity;
            EXPECT_EQ(o.value, 0.0) << name << " with " << arity;
        }
        int error = 0;
        EXPECT_EQ(apply_function1(name, 4.0, &error), 0.0) << name;
        EXPECT_EQ(error, 1) << name;
    }
    int error = 0;
    EXPECT_EQ(apply_function1("", 4.0, &error), 0.0);
    EXPECT_EQ(error, 1);
}

}  // namespace
