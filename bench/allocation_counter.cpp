#include "bench/allocation_counter.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocation_count{0};
}

void* operator new(std::size_t size) {
    allocation_count.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

long allocations_so_far() {
    return allocation_count.load(std::memory_order_relaxed);
}

void report_allocations(benchmark::State& state, long before) {
    state.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(allocations_so_far() - before),
                                                       benchmark::Counter::kAvgIterations);
}
