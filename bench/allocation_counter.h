#pragma once
// Heap allocations counted by the benchmark program's replaced operator new.

namespace benchmark {
class State;
}

long allocations_so_far();

// Adds the counter "allocs/iter": allocations since `before`, per iteration.
void report_allocations(benchmark::State& state, long before);
