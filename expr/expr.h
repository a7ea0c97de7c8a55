#pragma once
// The formula language of tool outputs and rule conditions.

#include "core/tool.h"

// Evaluates text over the tool's input values and output values. Always writes
// *error_flag: 0 when the value is sound, 1 when the text is null or empty,
// cannot be read to its end, names something unknown, divides by zero, leaves
// a function's domain, nests deeper than EXPR_MAX_DEPTH, or when the value is
// NaN or infinite. Returns the value computed, with failing constructs
// replaced by their substitute values, even when the flag is 1.
double eval_expr(const ToolDef* def, const char* text, const double* input_values,
                 const double* output_values, int* error_flag);

// Called by check_expr for each name the text reads as a variable: the
// length characters at name (not terminated there).
using ExprNameVisitor = void (*)(void* context, const char* name, int length);

enum ExprReading {
    EXPR_READS = 0,         // the text reads to its end
    EXPR_UNREADABLE,        // null, empty, or not readable to its end (or nested too deep)
    EXPR_UNKNOWN_FUNCTION,  // it calls a function that is not built in with that many arguments
};

// Reads text by the grammar eval_expr reads it with, computing nothing: what
// would fail only for some values (a division by zero, a function's domain)
// is not judged. Calls visit_name (when not null) for every variable name, in
// reading order, both branches of a conditional included.
ExprReading check_expr(const char* text, ExprNameVisitor visit_name, void* context);

// Whether key is a name a formula can read: a letter or "_", then letters,
// digits and "_", at most 63 characters in all.
bool expr_is_name(const char* key);

// Value of the one-argument built-in function name at x. Sets *error to 1 when
// the function is unknown or x lies outside its domain (the value is then
// 0.0); otherwise leaves *error alone.
double apply_function1(const char* name, double x, int* error);

// Deepest nesting of parentheses, prefix operators, exponents, conditional
// branches and function arguments that is evaluated. A construct nested deeper
// fails with the value 0.0, so no text can exhaust the stack.
constexpr int EXPR_MAX_DEPTH = 200;
