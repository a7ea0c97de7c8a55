// Evaluation must not touch the heap. This program replaces the global
// allocation functions with counting ones and asserts that none is called
// while formulas and tools are evaluated.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "core/evaluate.h"
#include "core/format.h"
#include "expr/expr.h"

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

}  // namespace
