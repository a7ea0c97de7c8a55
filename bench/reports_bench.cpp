// Cost of one report of each kind through dispatch_report, with the
// parameters that make each kind write its longest text (the 40-nurse, 31-day
// roster, 30 doses, 20 visits, 30 beds), into the self-test's 8192 characters.

#include <benchmark/benchmark.h>

#include "bench/allocation_counter.h"
#include "reports/reports.h"

namespace {

const ToolInput report_inputs[] = {
    {"nurses", L"", L"", 40},  {"days", L"", L"", 31}, {"start", L"", L"", 22}, {"interval", L"", L"", 6},
    {"times", L"", L"", 30},   {"kind", L"", L"", 1},  {"drugA", L"", L"", 1},  {"drugB", L"", L"", 2},
    {"gap", L"", L"", 7},      {"beds", L"", L"", 30}, {"bed", L"", L"", 12},   {"dose", L"", L"", 1.5},
    {"volume", L"", L"", 250}, {"gtt", L"", L"", 40},  {"panel", L"", L"", 2},
};
constexpr int REPORT_INPUT_COUNT = static_cast<int>(sizeof report_inputs / sizeof report_inputs[0]);

void BM_dispatch_report(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const ToolDef tool{9000, L"", nullptr, L"", L"", nullptr, REPORT_INPUT_COUNT, report_inputs, 0, nullptr, 0,
                       nullptr, kind};
    double values[MAX_TOOL_VALUES] = {};
    for (int i = 0; i < REPORT_INPUT_COUNT; ++i) values[i] = report_inputs[i].default_value;
    static wchar_t report[8192], verdict[512];
    long before = allocations_so_far();
    for (auto _ : state) {
        int level = dispatch_report(kind, &tool, values, report, 8192, verdict, 512);
        benchmark::DoNotOptimize(level);
        benchmark::DoNotOptimize(report);
    }
    report_allocations(state, before);
    state.counters["chars"] = static_cast<double>(text_length(report));
}
// Kinds 1 to 11 and one kind without a report.
BENCHMARK(BM_dispatch_report)->DenseRange(1, 12)->ArgName("kind");

}  // namespace
