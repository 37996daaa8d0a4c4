#include <benchmark/benchmark.h>

#include "model/array.h"

// Appending N floats must cost O(N): the time per element stays flat as N grows.
static void BM_ArrayAppendFloats(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        CValueArray<float> a;
        for (int i = 0; i < n; ++i) a.Add(static_cast<float>(i));
        benchmark::DoNotOptimize(a.Data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}
BENCHMARK(BM_ArrayAppendFloats)
    ->RangeMultiplier(10)
    ->Range(1000, 10000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
