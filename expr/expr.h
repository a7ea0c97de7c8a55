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

// Value of the one-argument built-in function name at x. Sets *error to 1 when
// the function is unknown or x lies outside its domain (the value is then
// 0.0); otherwise leaves *error alone.
double apply_function1(const char* name, double x, int* error);

// Deepest nesting of parentheses, prefix operators, exponents, conditional
// branches and function arguments that is evaluated. A construct nested deeper
// fails with the value 0.0, so no text can exhaust the stack.
constexpr int EXPR_MAX_DEPTH = 200;
