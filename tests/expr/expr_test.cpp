// The formula language: grammar, precedence, failure values and flags,
// numbers, names, functions and the nesting bound.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "core/tool.h"
#include "expr/expr.h"

namespace {

// Tool 51's keys with its default inputs; every output slot 0.0 unless set.
struct Fixture {
    const ToolDef* tool = get_tool();
    double inputs[MAX_TOOL_VALUES] = {70, 70, 65};
    double outputs[MAX_TOOL_VALUES] = {};
};

struct Outcome {
    double value;
    int flag;
};

Outcome eval(const char* text, const double* inputs = nullptr, const double* outputs = nullptr) {
    Fixture f;
    int flag = -7;
    double v = eval_expr(f.tool, text, inputs ? inputs : f.inputs, outputs ? outputs : f.outputs, &flag);
    return {v, flag};
}

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct Case {
    const char* text;
    double value;
    int flag;
};

void expect_cases(const Case* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        Outcome o = eval(cases[i].text);
        EXPECT_EQ(o.flag, cases[i].flag) << "text: " << cases[i].text;
        EXPECT_DOUBLE_EQ(o.value, cases[i].value) << "text: " << cases[i].text;
    }
}

template <size_t N>
void expect_cases(const Case (&cases)[N]) {
    expect_cases(cases, N);
}

TEST(Expr, CatalogueFormulas) {
    Fixture f;
    const double reduced[MAX_TOOL_VALUES] = {40, 85, 55};
    Outcome criteria = eval(f.tool->outputs[0].expr);
    EXPECT_EQ(criteria.value, 0.0);
    EXPECT_EQ(criteria.flag, 0);
    EXPECT_EQ(eval(f.tool->outputs[0].expr, reduced).value, 3.0);
    EXPECT_EQ(eval(f.tool->outputs[1].expr).value, 5.0);
    EXPECT_EQ(eval(f.tool->outputs[1].expr, reduced).value, 2.5);

    const double low_crcl[MAX_TOOL_VALUES] = {10, 70, 65};
    EXPECT_EQ(eval("crcl<15").value, 0.0);
    EXPECT_EQ(eval("crcl<15", low_crcl).value, 1.0);

    // Boundaries of the reduction criteria: 49.9 counts, 80 counts, 60 counts.
    const double edges[MAX_TOOL_VALUES] = {49.9, 80, 60};
    EXPECT_EQ(eval(f.tool->outputs[0].expr, edges).value, 3.0);
    const double just_outside[MAX_TOOL_VALUES] = {50, 79.99, 60.01};
    EXPECT_EQ(eval(f.tool->outputs[0].expr, just_outside).value, 0.0);
}

TEST(Expr, OutputSlotsAndLookupOrder) {
    Fixture f;
    double outputs[MAX_TOOL_VALUES] = {2, 2.5};
    Outcome o = eval("criteria>=2", nullptr, outputs);
    EXPECT_EQ(o.value, 1.0);
    EXPECT_EQ(o.flag, 0);
    EXPECT_EQ(eval("dose*2", nullptr, outputs).value, 5.0);

    // An input key hides an output key spelled the same.
    const ToolInput inputs[] = {{"x", L"x", nullptr, 0}};
    const ToolOutput outs[] = {{"x", L"x", nullptr, "1", "f0"}, {"y", L"y", nullptr, "1", "f0"}};
    const ToolDef shadow = {1, L"t", nullptr, L"c", L"b", nullptr, 1, inputs, 2, outs, 0, nullptr, 0};
    const double in[MAX_TOOL_VALUES] = {7};
    const double out[MAX_TOOL_VALUES] = {8, 9};
    int flag = -1;
    EXPECT_EQ(eval_expr(&shadow, "x", in, out, &flag), 7.0);
    EXPECT_EQ(eval_expr(&shadow, "y", in, out, &flag), 9.0);
    EXPECT_EQ(flag, 0);
}

TEST(Expr, NamesAreCaseSensitiveAndUnknownNamesFail) {
    Outcome o = eval("CRCL");
    EXPECT_EQ(o.value, 0.0);
    EXPECT_EQ(o.flag, 1);
    // Function names are not reserved as variables, and there are no constants.
    EXPECT_EQ(eval("sqrt").flag, 1);
    EXPECT_EQ(eval("pi").flag, 1);
    // -x of an unknown x: the substitute 0.0 with its sign flipped.
    EXPECT_TRUE(same_bits(eval("-nothing").value, -0.0));
}

TEST(Expr, LongNamesFail) {
    std::string name63(63, 'a');
    std::string name64(64, 'a');
    const ToolInput inputs[] = {{name63.c_str(), L"x", nullptr, 0}};
    const ToolDef def = {1, L"t", nullptr, L"c", L"b", nullptr, 1, inputs, 0, nullptr, 0, nullptr, 0};
    const double in[MAX_TOOL_VALUES] = {4};
    int flag = -1;
    EXPECT_EQ(eval_expr(&def, name63.c_str(), in, in, &flag), 4.0);
    EXPECT_EQ(flag, 0);
    // The 64th letter stays unread even though the first 63 are a key.
    EXPECT_EQ(eval_expr(&def, name64.c_str(), in, in, &flag), 4.0);
    EXPECT_EQ(flag, 1);
}

TEST(Expr, EmptyAndBlankTexts) {
    Fixture f;
    int flag = -1;
    EXPECT_EQ(eval_expr(f.tool, nullptr, f.inputs, f.outputs, &flag), 0.0);
    EXPECT_EQ(flag, 1);
    expect_cases({
        {"", 0.0, 1},
        {"   ", 0.0, 1},
        {" 1 + 2 \r\n", 3.0, 0},
        {"\t1\t+\t2\t", 3.0, 0},
        {"1 +\v2", 1.0, 1},
        {"1\f+ 2", 1.0, 1},
    });
}

TEST(Expr, PrecedenceAndAssociativity) {
    expect_cases({
        {"1 + 2 * 3", 7, 0},
        {"8/2/2", 2, 0},
        {"-3-2", -5, 0},
        {"2^3^2", 512, 0},
        {"-2^2", 4, 0},
        {"2^-1", 0.5, 0},
        {"2*3^2", 18, 0},
        {"10-4-3", 3, 0},
        {"7%3", 1, 0},
        {"-7%3", -1, 0},
        {"7%-3", 1, 0},
        {"5.5%2", 1.5, 0},
        {"1 + 2 < 4", 1, 0},
        {"(1 < 2) == 1", 1, 0},
        {"1 < 2 && 3 > 2", 1, 0},
        {"0 || 0 ? 7 : 8", 8, 0},
        {"1 || 0 && 0", 1, 0},
        {"!5", 0, 0},
        {"!0", 1, 0},
        {"!!7", 1, 0},
        {"--5", 5, 0},
        {"+-+5", -5, 0},
    });
}

TEST(Expr, Conditionals) {
    expect_cases({
        {"2>=2?2.5:5", 2.5, 0},
        {"1 ? 2 : 3 ? 4 : 5", 2, 0},
        {"0 ? 2 : 0 ? 4 : 5", 5, 0},
        {"1 ? 0 ? 6 : 7 : 8", 7, 0},
        {"1 ? 2", 2, 1},
        {"0 ? 2 5", 5, 1},
    });
}

TEST(Expr, Comparisons) {
    expect_cases({
        {"1<2<3", 1, 1},
        {"1 < 2 == 1", 1, 1},
        {"crcl = 70", 70, 1},
        {"crcl == 70", 1, 0},
        {"crcl != 70", 0, 0},
        {"1 < = 2", 0, 1},
        {"2 <= 2", 1, 0},
        {"3 >= 2", 1, 0},
        {"-0 == 0", 1, 0},
    });
}

TEST(Expr, OperatorsThatDoNotExist) {
    expect_cases({
        {"2**3", 2, 1},
        {"1 & 1", 1, 1},
        {"1 | 0", 1, 1},
        {"5!", 5, 1},
        {"2 3", 2, 1},
        {"(1)(2)", 1, 1},
    });
}

TEST(Expr, DivisionByZeroDropsTheTerm) {
    expect_cases({
        {"1/0", 0, 1},
        {"0/0", 0, 1},
        {"1/0*5", 0, 1},
        {"5+1/0", 5, 1},
        {"7%0", 0, 1},
        {"1/-0", 0, 1},
        {"1 ? 2 : 1/0", 2, 1},
        {"0 && 1/0", 0, 1},
        {"6/(1-1)+2", 2, 1},
    });
    // A NaN divisor is not zero.
    Outcome nan_divisor = eval("1/pow(-8, 0.5)");
    EXPECT_TRUE(std::isnan(nan_divisor.value));
    EXPECT_EQ(nan_divisor.flag, 1);
}

TEST(Expr, MissingParenthesesAndOperands) {
    expect_cases({
        {"(1+2", 3, 1},
        {"()", 0, 1},
        {"1+", 1, 1},
        {")", 0, 1},
        {"*2", 0, 1},
        {"sqrt(", 0, 1},
        {"sqrt()", 0, 1},
        {"max(1,2", 2, 1},
        {"abs(-3", 3, 1},
    });
}

TEST(Expr, Numbers) {
    expect_cases({
        {".5 + 5.", 5.5, 0},
        {"0x10", 16, 0},
        {"0x1A", 26, 0},
        {"1e3", 1000, 0},
        {"1.5E-2", 0.015, 0},
        {"2e+1", 20, 0},
        {"2x", 2, 1},
        {"1e", 1, 1},
        {"1e+", 1, 1},
        {".", 0, 1},
        {"007", 7, 0},
        {"0.000", 0, 0},
        {"1e-400", 0, 0},
    });
    // The values are exactly those of strtod, also for texts beyond the quick path.
    const char* texts[] = {"0.1", "2.675", "123456789012345678901234567890", "1.7976931348623157e308",
                           "4.9e-324", "0.30000000000000004", "9007199254740993", "1e22", "1e23",
                           "123.456e-7", "0.000000000000000000001234"};
    for (const char* text : texts) {
        Outcome o = eval(text);
        EXPECT_TRUE(same_bits(o.value, std::strtod(text, nullptr))) << text;
        EXPECT_EQ(o.flag, 0) << text;
    }
    Outcome huge = eval("1e400");
    EXPECT_TRUE(std::isinf(huge.value));
    EXPECT_EQ(huge.flag, 1);
    Outcome compared = eval("1e400 > 1");
    EXPECT_EQ(compared.value, 1.0);
    EXPECT_EQ(compared.flag, 0);
}

TEST(Expr, Functions) {
    expect_cases({
        {"sqrt(16)", 4, 0},
        {"sqrt (9)", 3, 0},
        {"abs(-2.5)", 2.5, 0},
        {"log(1)", 0, 0},
        {"log10(1000)", 3, 0},
        {"exp(0)", 1, 0},
        {"floor(-1.5)", -2, 0},
        {"ceil(-1.5)", -1, 0},
        {"round(2.5)", 3, 0},
        {"round(-2.5)", -2, 0},
        {"round(-0.5)", 0, 0},
        {"round(0.49999999999999994)", 1, 0},
        {"cbrt(8)", 2, 0},
        {"cbrt(-27)", -3, 0},
        {"cbrt(64)", 3.9999999999999996, 0},
        {"cbrt(1000)", 9.999999999999998, 0},
        {"sign(0)", 0, 0},
        {"sign(-3)", -1, 0},
        {"sign(4)", 1, 0},
        {"min(3, 1)", 1, 0},
        {"max(3, 1)", 3, 0},
        {"pow(2, 10)", 1024, 0},
        {"mod(7.5, 2)", 1.5, 0},
        {"max(1,2,3)", 2, 1},
        {"min(3)", 0, 1},
        {"sqrt(4,9)", 0, 1},
        {"nosuch(1)", 0, 1},
        {"sqrt(-4)", 0, 1},
        {"log(0)", 0, 1},
        {"log(-0)", 0, 1},
        {"log10(-1)", 0, 1},
        {"mod(7,0)", 0, 1},
        {"mod(7,-0)", 0, 1},
        // The edges of the domains: zero is inside sqrt's, and mod's rule reads the divisor.
        {"sqrt(0)", 0, 0},
        {"log10(0)", 0, 1},
        {"mod(0, 7)", 0, 0},
        {"1 + nosuch(2) * 3", 1, 1},
    });
    // NaN arguments: min and max give the second argument; sign gives 0.
    EXPECT_EQ(eval("min(pow(-8, 0.5), 4)").value, 4.0);
    EXPECT_EQ(eval("max(pow(-8, 0.5), 4)").value, 4.0);
    EXPECT_EQ(eval("sign(pow(-8, 0.5))").value, 0.0);
    EXPECT_EQ(eval("sign(pow(-8, 0.5))").flag, 0);
    // NaN lies inside every domain: the value is NaN, not the substitute 0.0.
    EXPECT_TRUE(std::isnan(eval("sqrt(pow(-8, 0.5))").value));
    EXPECT_TRUE(std::isnan(eval("log(pow(-8, 0.5))").value));
    EXPECT_TRUE(std::isnan(eval("mod(2, pow(-8, 0.5))").value));
}

TEST(Expr, ApplyFunction1) {
    int error = 0;
    EXPECT_EQ(apply_function1("sqrt", 81, &error), 9.0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(apply_function1("min", 1, &error), 0.0);  // a two-argument function
    EXPECT_EQ(error, 1);
    error = 0;
    EXPECT_EQ(apply_function1("log", -1, &error), 0.0);
    EXPECT_EQ(error, 1);
}

TEST(Expr, NonFiniteFinalValues) {
    Outcome overflow = eval("exp(1000)");
    EXPECT_TRUE(std::isinf(overflow.value));
    EXPECT_EQ(overflow.flag, 1);
    Outcome nan = eval("pow(-8, 0.5)");
    EXPECT_TRUE(std::isnan(nan.value));
    EXPECT_EQ(nan.flag, 1);
    // Only the final value is tested: comparisons and "!" turn NaN into truth values.
    expect_cases({
        {"pow(-8, 0.5) ? 1 : 2", 1, 0},
        {"pow(-8, 0.5) == pow(-8, 0.5)", 0, 0},
        {"!pow(-8, 0.5)", 0, 0},
        {"pow(-8, 0.5) != 1", 1, 0},
        {"exp(1000) > 0", 1, 0},
        {"pow(0, -1) > 0", 1, 0},
    });
}

TEST(Expr, NestingWithinTheBoundEvaluates) {
    // Parentheses, prefix operators and exponents at the deepest nesting allowed.
    std::string parens = std::string(EXPR_MAX_DEPTH, '(') + "41+1" + std::string(EXPR_MAX_DEPTH, ')');
    Outcome p = eval(parens.c_str());
    EXPECT_EQ(p.value, 42.0);
    EXPECT_EQ(p.flag, 0);

    std::string minus = std::string(EXPR_MAX_DEPTH, '-') + "3";
    Outcome m = eval(minus.c_str());
    EXPECT_EQ(m.value, EXPR_MAX_DEPTH % 2 == 0 ? 3.0 : -3.0);
    EXPECT_EQ(m.flag, 0);

    std::string powers;
    for (int i = 0; i < EXPR_MAX_DEPTH; ++i) powers += "1^";
    powers += "1";
    EXPECT_EQ(eval(powers.c_str()).flag, 0);

    std::string calls;
    for (int i = 0; i < EXPR_MAX_DEPTH - 1; ++i) calls += "abs(";
    calls += "-2" + std::string(EXPR_MAX_DEPTH - 1, ')');  // the "-" is one more level
    Outcome c = eval(calls.c_str());
    EXPECT_EQ(c.value, 2.0);
    EXPECT_EQ(c.flag, 0);
}

TEST(Expr, NestingBeyondTheBoundFailsWithoutCrashing) {
    std::string parens = std::string(EXPR_MAX_DEPTH + 1, '(') + "1" + std::string(EXPR_MAX_DEPTH + 1, ')');
    EXPECT_EQ(eval(parens.c_str()).flag, 1);

    const int deep = 100000;
    const char* openers[] = {"(", "-", "!", "abs(", "1?", "2^", "max(1,"};
    for (const char* opener : openers) {
        std::string text;
        for (int i = 0; i < deep; ++i) text += opener;
        text += "1";
        EXPECT_EQ(eval(text.c_str()).flag, 1) << opener;
    }
    // The construct beyond the bound counts as 0.0.
    std::string parens_only = std::string(deep, '(') + "1";
    EXPECT_EQ(eval(parens_only.c_str()).value, 0.0);
    // Reading goes on after it, past the blanks that follow.
    std::string then_sum = std::string(EXPR_MAX_DEPTH + 1, '-') + " + 3";
    Outcome after = eval(then_sum.c_str());
    EXPECT_EQ(after.value, 3.0);
    EXPECT_EQ(after.flag, 1);
    // A long flat text is no nesting at all.
    std::string sum = "0";
    for (int i = 0; i < deep; ++i) sum += "+1";
    Outcome flat = eval(sum.c_str());
    EXPECT_EQ(flat.value, deep);
    EXPECT_EQ(flat.flag, 0);
    // Unary plus loops without nesting.
    std::string pluses = std::string(deep, '+') + "4";
    EXPECT_EQ(eval(pluses.c_str()).value, 4.0);
}

// check_expr reads as eval_expr does but computes nothing: it names every
// variable in reading order and judges only whether the text reads.
TEST(Expr, CheckReadsWithoutComputing) {
    struct Row {
        const char* text;
        ExprReading reading;
        const char* names;  // the names visited, each followed by one blank
    };
    const Row rows[] = {
        {"(crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0)", EXPR_READS, "crcl age w "},
        {"w/((h/100)^2)", EXPR_READS, "w h "},
        {"a/0 + sqrt(-b) + log(0)", EXPR_READS, "a b "},  // fails only when computed
        {"c ? yes : no", EXPR_READS, "c yes no "},        // both branches
        {"max(x, min(y, 3))", EXPR_READS, "x y "},
        {"unknown_name", EXPR_READS, "unknown_name "},    // names are the caller's to judge
        {"w/((h/100)^2", EXPR_UNREADABLE, "w h "},
        {"1 +", EXPR_UNREADABLE, ""},
        {"x ** 2", EXPR_UNREADABLE, "x "},
        {"2 x", EXPR_UNREADABLE, ""},
        {"", EXPR_UNREADABLE, ""},
        {nullptr, EXPR_UNREADABLE, ""},
        {"sqr(w)", EXPR_UNKNOWN_FUNCTION, "w "},
        {"sqrt(w, 2)", EXPR_UNKNOWN_FUNCTION, "w "},
        {"min(w)", EXPR_UNKNOWN_FUNCTION, "w "},
    };
    for (const Row& row : rows) {
        std::string names;
        ExprReading reading = check_expr(
            row.text,
            [](void* context, const char* name, int length) {
                static_cast<std::string*>(context)->append(name, static_cast<size_t>(length)).append(" ");
            },
            &names);
        const char* shown = row.text != nullptr ? row.text : "(null)";
        EXPECT_EQ(reading, row.reading) << shown;
        EXPECT_EQ(names, row.names) << shown;
    }
    EXPECT_EQ(check_expr("a+b", nullptr, nullptr), EXPR_READS);
    EXPECT_EQ(check_expr(std::string(64, 'a').c_str(), nullptr, nullptr), EXPR_UNREADABLE);
    // A key is a name exactly when a formula reads it as one.
    for (const std::string& key : {std::string(63, 'a'), std::string(64, 'a'), std::string("_w2"),
                                   std::string("2w"), std::string("body height"), std::string("")}) {
        EXPECT_EQ(expr_is_name(key.c_str()), check_expr(key.c_str(), nullptr, nullptr) == EXPR_READS) << key;
    }
    EXPECT_FALSE(expr_is_name(nullptr));
}

TEST(Expr, AllBytesAreSafe) {
    // Every byte outside the language fails without crashing, also after a number.
    for (int b = 1; b < 256; ++b) {
        char text[4] = {'1', static_cast<char>(b), '1', '\0'};
        Outcome o = eval(text);
        EXPECT_TRUE(o.flag == 0 || o.flag == 1);
        if (b >= 0x80 || b == 0x0B || b == 0x0C) {
            EXPECT_EQ(o.flag, 1) << b;
        }
    }
}

}  // namespace
