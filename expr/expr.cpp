// A recursive-descent evaluator that computes while it parses: no tokens, no
// tree, no cache. Each call reads its text afresh from the first character.
//
// The grammar, lowest precedence first; each rule is the level function of the
// same name (parse_expression, parse_and, ...), defined below in this order:
//
//   expression = and { "||" and } [ "?" expression ":" expression ] ;
//   and        = comparison { "&&" comparison } ;
//   comparison = additive [ ( "<=" | ">=" | "==" | "!=" | "<" | ">" ) additive ] ;
//   additive   = term { ( "+" | "-" ) term } ;
//   term       = power { ( "*" | "/" | "%" ) power } ;
//   power      = unary [ "^" power ] ;
//   unary      = "+" unary | "-" unary | "!" unary
//              | "(" expression ")"
//              | number
//              | name "(" expression [ "," expression ] ")"
//              | name ;
//   number     = what strtod reads: digits, ".", exponent, hexadecimal forms ;
//   name       = ( letter | "_" ) { letter | digit | "_" } ;  (at most 63)
//
// Blanks (space, tab, CR, LF) may stand between any two symbols, but not
// inside the two-character operators. parse_unary skips the blanks before an
// operand and after it, so every level returns with pos at the next non-blank
// character and tests for its operator there. A "*" followed by "*" ends the
// term, so "**" stays unread. A name followed by "(" is a call of the built-in
// function with that name and number of arguments (BUILT_INS); any other name
// is a key of the tool's inputs, then of its outputs.
//
// Nothing stops early: a failing construct sets the state's error, stands for
// its substitute value (0.0 in most cases) and reading goes on from where it
// left off. Text left unread, or a final value that is NaN or infinite, fails
// the whole evaluation.

#include "expr/expr.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/convert.h"

// Keeps a function out of line; each compiler spells it its own way.
#if defined(_MSC_VER)
#define EXPR_NOINLINE __declspec(noinline)
#else
#define EXPR_NOINLINE __attribute__((noinline))
#endif

namespace {

struct ExprState {
    const ToolDef* def;
    const double* input_values;
    const double* output_values;
    const char* pos;  // next unread character
    int error;        // 0, or 1 once any construct could not be read
    int depth;        // current nesting of parentheses, prefix operators, exponents, branches, arguments
    int value_error = 0;       // 1 once a division by zero or a function's domain failed
    bool unknown_call = false;  // a call of a function that is not built in
    // Set when the text is only read (check_expr): every name goes here
    // instead of being looked up, and reads as 0.0.
    ExprNameVisitor visit_name = nullptr;
    void* visit_context = nullptr;
};

constexpr int MAX_NAME_LENGTH = 63;

inline bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
inline bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
inline bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool is_name_char(char c) {
    return is_letter(c) || is_digit(c) || c == '_';
}
inline void skip_space(ExprState& s) {
    while (is_space(*s.pos)) ++s.pos;
}
inline bool truth(double v) {
    return v != 0.0;  // NaN is true
}
inline double flag(bool b) {
    return b ? 1.0 : 0.0;
}

// Moves past c and the blanks after it. Anything else there fails the
// construct, which goes on from that character, unread.
inline void expect(ExprState& s, char c) {
    if (*s.pos == c) {
        ++s.pos;
        skip_space(s);
    } else {
        s.error = 1;
    }
}

// --- the levels of the grammar --------------------------------------------

double parse_expression(ExprState& s);
inline double parse_and(ExprState& s);
double parse_comparison(ExprState& s);
inline double parse_additive(ExprState& s);
inline double parse_term(ExprState& s);
double parse_power(ExprState& s);
double parse_unary(ExprState& s);
bool read_number(const char* p, const char** end, double* value);
double call_function(ExprState& s, const char* name, int length);
double lookup_variable(ExprState& s, const char* name, int length);

// Runs one nested construct, or fails it with 0.0 when the nesting is too deep
// (reading goes on after the blanks there, as after any operand).
template <double (*Level)(ExprState&)>
inline double nested(ExprState& s) {
    if (s.depth >= EXPR_MAX_DEPTH) {
        s.error = 1;
        skip_space(s);
        return 0.0;
    }
    ++s.depth;
    double v = Level(s);
    --s.depth;
    return v;
}

double parse_expression(ExprState& s) {
    double v = parse_and(s);
    while (s.pos[0] == '|' && s.pos[1] == '|') {
        s.pos += 2;
        double w = parse_and(s);
        v = flag(truth(v) || truth(w));
    }
    if (*s.pos != '?') return v;
    ++s.pos;
    double a = nested<parse_expression>(s);
    expect(s, ':');
    double b = nested<parse_expression>(s);
    return truth(v) ? a : b;
}

inline double parse_and(ExprState& s) {
    double v = parse_comparison(s);
    for (;;) {
        if (s.pos[0] != '&' || s.pos[1] != '&') return v;
        s.pos += 2;
        double w = parse_comparison(s);
        v = flag(truth(v) && truth(w));
    }
}

double parse_comparison(ExprState& s) {
    double v = parse_additive(s);
    const char c = s.pos[0];
    // pos[1] exists only when pos[0] is not the terminator.
    const bool eq = c != '\0' && s.pos[1] == '=';
    if (eq && (c == '<' || c == '>' || c == '=' || c == '!')) {
        s.pos += 2;
        double w = parse_additive(s);
        switch (c) {
        case '<': return flag(v <= w);
        case '>': return flag(v >= w);
        case '=': return flag(v == w);
        default: return flag(v != w);
        }
    }
    if (c == '<' || c == '>') {
        ++s.pos;
        double w = parse_additive(s);
        return flag(c == '<' ? v < w : v > w);
    }
    return v;
}

inline double parse_additive(ExprState& s) {
    double v = parse_term(s);
    for (;;) {
        if (*s.pos == '+') {
            ++s.pos;
            v += parse_term(s);
        } else if (*s.pos == '-') {
            ++s.pos;
            v -= parse_term(s);
        } else {
            return v;
        }
    }
}

inline double parse_term(ExprState& s) {
    double v = parse_power(s);
    for (;;) {
        char op = *s.pos;
        if (op == '*') {
            if (s.pos[1] == '*') return v;
            ++s.pos;
            v *= parse_power(s);
        } else if (op == '/' || op == '%') {
            ++s.pos;
            double w = parse_power(s);
            if (w == 0.0) {
                s.value_error = 1;
                return 0.0;
            }
            v = op == '/' ? v / w : std::fmod(v, w);
        } else {
            return v;
        }
    }
}

double parse_power(ExprState& s) {
    double v = parse_unary(s);
    if (*s.pos != '^') return v;
    ++s.pos;
    return std::pow(v, nested<parse_power>(s));
}

double parse_unary(ExprState& s) {
    for (;;) {
        skip_space(s);
        const char c = *s.pos;
        if (c == '+') {
            ++s.pos;  // unary plus has no effect
            continue;
        }
        if (c == '(') {
            ++s.pos;
            double v = nested<parse_expression>(s);
            expect(s, ')');
            return v;
        }
        if (c == '-') {
            ++s.pos;
            return -nested<parse_unary>(s);
        }
        if (c == '!') {
            ++s.pos;
            return flag(nested<parse_unary>(s) == 0.0);
        }
        if (is_digit(c) || c == '.') {
            double v = 0.0;
            const char* end = nullptr;
            if (!read_number(s.pos, &end, &v)) {
                s.error = 1;
                return 0.0;
            }
            s.pos = end;
            skip_space(s);
            return v;
        }
        if (is_letter(c) || c == '_') {
            const char* name = s.pos;
            int length = 0;
            while (length < MAX_NAME_LENGTH && is_name_char(name[length])) ++length;
            s.pos += length;
            skip_space(s);
            if (*s.pos == '(') return call_function(s, name, length);
            return lookup_variable(s, name, length);
        }
        s.error = 1;
        return 0.0;
    }
}

// --- numbers ---------------------------------------------------------------

// Powers of ten that a double holds exactly.
constexpr double EXACT_POWERS_OF_TEN[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

// Reads a number the way strtod does at p (which holds a digit or '.').
// Decimal texts with at most 15 significant digits and a small exponent are
// computed directly: the digits form an exact integer and one multiplication
// or division by an exact power of ten rounds correctly, so the value is the
// one strtod gives. Everything else (hexadecimal forms, long digit strings,
// large exponents) is left to strtod itself. Returns false when nothing forms
// a number.
bool read_number(const char* p, const char** end, double* value) {
    // Plain whole numbers of up to 15 digits, the common case, are exact.
    if (is_digit(p[0])) {
        std::uint64_t whole = static_cast<unsigned>(p[0] - '0');
        int n = 1;
        while (n < 15 && is_digit(p[n])) whole = whole * 10 + static_cast<unsigned>(p[n++] - '0');
        const char next = p[n];
        if (!is_digit(next) && next != '.' && next != 'e' && next != 'E' && next != 'x' && next != 'X') {
            *value = static_cast<double>(whole);
            *end = p + n;
            return true;
        }
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        char* stop = nullptr;
        double v = std::strtod(p, &stop);
        if (stop == p) return false;
        *end = stop;
        *value = v;
        return true;
    }
    const char* q = p;
    std::uint64_t mantissa = 0;
    int significant = 0;
    int exponent = 0;
    bool digits = false;
    bool exact = true;
    for (; is_digit(*q); ++q) {
        digits = true;
        if (mantissa == 0 && *q == '0') continue;
        if (significant < 15) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
            ++significant;
        } else {
            exact = false;
        }
    }
    if (*q == '.') {
        ++q;
        for (; is_digit(*q); ++q) {
            digits = true;
            if (mantissa == 0 && *q == '0') {
                --exponent;
                continue;
            }
            if (significant < 15) {
                mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
                ++significant;
                --exponent;
            } else {
                exact = false;
            }
        }
    }
    if (!digits) return false;
    if (*q == 'e' || *q == 'E') {
        const char* r = q + 1;
        bool negative = false;
        if (*r == '+' || *r == '-') {
            negative = *r == '-';
            ++r;
        }
        if (is_digit(*r)) {
            int written = 0;
            for (; is_digit(*r); ++r) {
                if (written < 100000) written = written * 10 + (*r - '0');
            }
            exponent += negative ? -written : written;
            q = r;
        }
    }
    if (exact && (mantissa == 0 || (exponent >= -22 && exponent <= 22))) {
        double m = static_cast<double>(mantissa);
        if (mantissa == 0) *value = 0.0;
        else if (exponent < 0) *value = m / EXACT_POWERS_OF_TEN[-exponent];
        else *value = m * EXACT_POWERS_OF_TEN[exponent];
        *end = q;
        return true;
    }
    char* stop = nullptr;
    *value = std::strtod(p, &stop);
    *end = stop;
    return stop != p;
}

// --- built-in functions ----------------------------------------------------

// One built-in function. A call with arity arguments whose arguments make
// outside true fails (0.0, error set); a null outside means the function is
// defined everywhere. One-argument functions ignore b.
struct BuiltIn {
    const char* name;
    int arity;
    double (*value)(double a, double b);
    bool (*outside)(double a, double b);
};

// Domain rules. NaN lies inside every domain.
bool below_zero(double x, double) {
    return x < 0.0;
}
bool zero_or_below(double x, double) {
    return x <= 0.0;  // -0.0 included
}
bool zero_divisor(double, double b) {
    return b == 0.0;  // either sign
}

// 0.3333333333333333, the double nearest to one third.
constexpr double ONE_THIRD = 1.0 / 3.0;

constexpr BuiltIn BUILT_INS[] = {
    {"sqrt", 1, [](double x, double) { return std::sqrt(x); }, below_zero},
    {"abs", 1, [](double x, double) { return std::fabs(x); }, nullptr},
    {"log", 1, [](double x, double) { return std::log(x); }, zero_or_below},
    {"log10", 1, [](double x, double) { return std::log10(x); }, zero_or_below},
    {"exp", 1, [](double x, double) { return std::exp(x); }, nullptr},
    {"floor", 1, [](double x, double) { return std::floor(x); }, nullptr},
    {"ceil", 1, [](double x, double) { return std::ceil(x); }, nullptr},
    {"round", 1, [](double x, double) { return std::floor(x + 0.5); }, nullptr},
    {"cbrt", 1, [](double x, double) { return x < 0.0 ? -std::pow(-x, ONE_THIRD) : std::pow(x, ONE_THIRD); },
     nullptr},
    {"sign", 1, [](double x, double) { return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0); }, nullptr},
    {"min", 2, [](double a, double b) { return a < b ? a : b; }, nullptr},
    {"max", 2, [](double a, double b) { return a > b ? a : b; }, nullptr},
    {"pow", 2, [](double a, double b) { return std::pow(a, b); }, nullptr},
    {"mod", 2, [](double a, double b) { return std::fmod(a, b); }, zero_divisor},
};

// True when key is the length characters at name, compared in place.
inline bool key_equals(const char* key, const char* name, int length) {
    if (key == nullptr) return false;
    for (int i = 0; i < length; ++i) {
        if (key[i] != name[i]) return false;
    }
    return key[length] == '\0';
}

// The built-in function called name (length characters) that takes arity
// arguments, or null.
const BuiltIn* find_built_in(const char* name, int length, int arity) {
    for (const BuiltIn& f : BUILT_INS) {
        if (f.arity == arity && key_equals(f.name, name, length)) return &f;
    }
    return nullptr;
}

// Value of f at a (and b); 0.0 with *error set when f is null or the
// arguments lie outside its domain.
double apply_built_in(const BuiltIn* f, double a, double b, int* error) {
    if (f == nullptr || (f->outside != nullptr && f->outside(a, b))) {
        *error = 1;
        return 0.0;
    }
    return f->value(a, b);
}

// A call read in the text: an unknown function fails the reading, arguments
// outside the function's domain only the value.
double apply_call(ExprState& s, const BuiltIn* f, double a, double b) {
    if (f == nullptr) {
        s.error = 1;
        s.unknown_call = true;
        return 0.0;
    }
    return apply_built_in(f, a, b, &s.value_error);
}

// After name, at its "(": reads one or two arguments and the ")", and applies
// the function of that name and number of arguments. Kept out of parse_unary,
// so that the registers the call needs are not saved for every operand.
EXPR_NOINLINE double call_function(ExprState& s, const char* name, int length) {
    ++s.pos;  // past "("
    double a = nested<parse_expression>(s);
    if (*s.pos == ',') {
        ++s.pos;
        double b = nested<parse_expression>(s);
        expect(s, ')');
        return apply_call(s, find_built_in(name, length, 2), a, b);
    }
    expect(s, ')');
    return apply_call(s, find_built_in(name, length, 1), a, 0.0);
}

// --- names -----------------------------------------------------------------

double lookup_variable(ExprState& s, const char* name, int length) {
    if (s.visit_name != nullptr) {
        s.visit_name(s.visit_context, name, length);
        return 0.0;
    }
    const ToolDef* def = s.def;
    for (int i = 0; i < def->input_count; ++i) {
        if (key_equals(def->inputs[i].key, name, length)) return s.input_values[i];
    }
    for (int i = 0; i < def->output_count; ++i) {
        if (key_equals(def->outputs[i].key, name, length)) return s.output_values[i];
    }
    s.error = 1;
    return 0.0;
}

}  // namespace

double apply_function1(const char* name, double x, int* error) {
    int length = 0;
    if (name != nullptr) {
        while (name[length] != '\0' && length <= MAX_NAME_LENGTH) ++length;
    }
    int local = 0;
    return apply_built_in(find_built_in(name != nullptr ? name : "", length, 1), x, 0.0,
                          error != nullptr ? error : &local);
}

double eval_expr(const ToolDef* def, const char* text, const double* input_values,
                 const double* output_values, int* error_flag) {
    int ignored = 0;
    if (error_flag == nullptr) error_flag = &ignored;
    if (text == nullptr || text[0] == '\0') {
        *error_flag = 1;
        return 0.0;
    }
    ExprState s{def, input_values, output_values, text, 0, 0};
    double v = parse_expression(s);
    bool sound = *s.pos == '\0' && s.error == 0 && s.value_error == 0 && is_finite_value(v);
    *error_flag = sound ? 0 : 1;
    return v;
}

ExprReading check_expr(const char* text, ExprNameVisitor visit_name, void* context) {
    if (text == nullptr || text[0] == '\0') return EXPR_UNREADABLE;
    ExprState s{nullptr, nullptr, nullptr, text, 0, 0};
    s.visit_name = visit_name;
    s.visit_context = context;
    // Without a visitor every name still reads as 0.0 rather than being looked up.
    if (s.visit_name == nullptr) s.visit_name = [](void*, const char*, int) {};
    parse_expression(s);
    if (s.unknown_call) return EXPR_UNKNOWN_FUNCTION;
    return *s.pos == '\0' && s.error == 0 ? EXPR_READS : EXPR_UNREADABLE;
}

bool expr_is_name(const char* key) {
    if (key == nullptr || !(is_letter(key[0]) || key[0] == '_')) return false;
    int length = 0;
    while (length <= MAX_NAME_LENGTH && is_name_char(key[length])) ++length;
    return length <= MAX_NAME_LENGTH && key[length] == '\0';
}
