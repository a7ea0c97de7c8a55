// Cost of evaluating tool 51's formulas and of one whole evaluation, and, when
// muParser is installed, the same formulas in muParser for comparison.

#include <benchmark/benchmark.h>

#include "bench/allocation_counter.h"
#include "core/evaluate.h"
#include "expr/expr.h"

#ifdef KALDRIN_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

enum Text { CRITERIA, DOSE, RULE_CONTRAINDICATED, RULE_REDUCED };

const char* text_of(int which) {
    const ToolDef* tool = get_tool();
    switch (which) {
    case CRITERIA: return tool->outputs[0].expr;
    case DOSE: return tool->outputs[1].expr;
    case RULE_CONTRAINDICATED: return tool->rules[0].condition;
    default: return tool->rules[1].condition;
    }
}

void BM_eval_expr(benchmark::State& state) {
    const ToolDef* tool = get_tool();
    const char* text = text_of(static_cast<int>(state.range(0)));
    const double inputs[MAX_TOOL_VALUES] = {40, 85, 65};
    const double outputs[MAX_TOOL_VALUES] = {2, 2.5};
    long before = allocations_so_far();
    for (auto _ : state) {
        int error = 0;
        double v = eval_expr(tool, text, inputs, outputs, &error);
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(error);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_eval_expr)->Arg(CRITERIA)->Arg(DOSE)->Arg(RULE_CONTRAINDICATED)->Arg(RULE_REDUCED)
    ->ArgName("text");

void BM_evaluate_tool(benchmark::State& state) {
    const ToolDef* tool = get_tool();
    const double defaults[MAX_TOOL_VALUES] = {70, 70, 65};
    const double reduced[MAX_TOOL_VALUES] = {40, 85, 65};
    const double* inputs = state.range(0) == 0 ? defaults : reduced;
    static wchar_t result[4096], verdict[512], detail[8192];
    int level = 0;
    long before = allocations_so_far();
    for (auto _ : state) {
        int decided = evaluate_tool(tool, inputs, result, 4096, verdict, 512, &level, detail, 8192);
        benchmark::DoNotOptimize(decided);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_evaluate_tool)->Arg(0)->Arg(1)->ArgName("reduced");

#ifdef KALDRIN_HAVE_MUPARSER

// muParser's one-shot use: the text is parsed and evaluated on every call,
// the work our engine does (the parser object and its variables are set up once).
void BM_muparser_oneshot(benchmark::State& state) {
    const char* text = text_of(static_cast<int>(state.range(0)));
    double crcl = 40, age = 85, w = 65, criteria = 2;
    mu::Parser parser;
    parser.DefineVar("crcl", &crcl);
    parser.DefineVar("age", &age);
    parser.DefineVar("w", &w);
    parser.DefineVar("criteria", &criteria);
    long before = allocations_so_far();
    for (auto _ : state) {
        parser.SetExpr(text);
        double v = parser.Eval();
        benchmark::DoNotOptimize(v);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_muparser_oneshot)->Arg(CRITERIA)->Arg(DOSE)->Arg(RULE_CONTRAINDICATED)->Arg(RULE_REDUCED)
    ->ArgName("text");

// muParser compiled once, then evaluated.
void BM_muparser_compiled(benchmark::State& state) {
    const char* text = text_of(static_cast<int>(state.range(0)));
    double crcl = 40, age = 85, w = 65, criteria = 2;
    mu::Parser parser;
    parser.DefineVar("crcl", &crcl);
    parser.DefineVar("age", &age);
    parser.DefineVar("w", &w);
    parser.DefineVar("criteria", &criteria);
    parser.SetExpr(text);
    parser.Eval();
    long before = allocations_so_far();
    for (auto _ : state) {
        double v = parser.Eval();
        benchmark::DoNotOptimize(v);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_muparser_compiled)->Arg(CRITERIA)->Arg(DOSE)->Arg(RULE_CONTRAINDICATED)->Arg(RULE_REDUCED)
    ->ArgName("text");

#endif

}  // namespace
