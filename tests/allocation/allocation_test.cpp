// Evaluation must not touch the heap. This program replaces the global
// allocation functions with counting ones and asserts that none is called
// while formulas and tools are evaluated.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "core/evaluate.h"
#include "core/format.h"
#include "expr/expr.h"
#include "reports/reports.h"

namespace {
long allocations = 0;
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct AllocationCount {
    long start = allocations;
    long added() const { return allocations - start; }
};

TEST(Allocation, EvalExprAllocatesNothing) {
    const ToolDef* tool = get_tool();
    const double inputs[MAX_TOOL_VALUES] = {40, 85, 65};
    const double outputs[MAX_TOOL_VALUES] = {2, 2.5};
    const char* texts[] = {
        tool->outputs[0].expr, tool->outputs[1].expr, tool->rules[0].condition, tool->rules[1].condition,
        "sqrt(16) + cbrt(-27) + round(2.5) + min(1, 2) + mod(7.5, 2) + 0x10 + 1.5e-2 + 123456789012345678",
        "unknown + (1", "1/0", "",
    };
    double sum = 0;
    int error = 0;
    AllocationCount count;
    for (int round = 0; round < 100; ++round) {
        for (const char* text : texts) sum += eval_expr(tool, text, inputs, outputs, &error);
    }
    EXPECT_EQ(count.added(), 0);
    EXPECT_NE(sum, 0.0);
}

TEST(Allocation, EvaluateToolAndFormattingAllocateNothing) {
    const ToolDef* tool = get_tool();
    const double inputs[MAX_TOOL_VALUES] = {40, 85, 65};
    wchar_t result[4096], verdict[512], detail[8192], value[128];
    int level = -1;
    AllocationCount count;
    for (int round = 0; round < 100; ++round) {
        evaluate_tool(tool, inputs, result, 4096, verdict, 512, &level, detail, 8192);
        format_value("date", 19723.0, value, 128);
        format_value("pct", 12.25, value, 128);
        format_value("f2", 1e300, value, 128);
    }
    EXPECT_EQ(count.added(), 0);
    EXPECT_EQ(level, 2);
}

TEST(Allocation, DispatchReportOfEveryKindAllocatesNothing) {
    static const ToolInput inputs[] = {
        {"nurses", L"", L"", 40}, {"days", L"", L"", 31},    {"start", L"", L"", 22}, {"interval", L"", L"", 6},
        {"times", L"", L"", 30},  {"kind", L"", L"", 1},     {"drugA", L"", L"", 1},  {"drugB", L"", L"", 2},
        {"gap", L"", L"", 7},     {"beds", L"", L"", 30},    {"bed", L"", L"", 12},   {"dose", L"", L"", 1.5},
        {"volume", L"", L"", 250}, {"gtt", L"", L"", 40},    {"panel", L"", L"", 2},
    };
    const int count = static_cast<int>(sizeof inputs / sizeof inputs[0]);
    const ToolDef tool{9003, L"", nullptr, L"", L"", nullptr, count, inputs, 0, nullptr, 0, nullptr, 1};
    double values[MAX_TOOL_VALUES] = {};
    for (int i = 0; i < count; ++i) values[i] = inputs[i].default_value;
    static wchar_t report[8192];
    wchar_t verdict[512];
    int levels = 0;
    AllocationCount allocation_count;
    for (int round = 0; round < 10; ++round) {
        for (int kind = -1; kind <= 12; ++kind) {
            levels += dispatch_report(kind, &tool, values, report, 8192, verdict, 512);
        }
    }
    EXPECT_EQ(allocation_count.added(), 0);
    EXPECT_EQ(levels, 10 * 3);
}

}  // namespace
