#include "evolve/GeneticTest.h"
#include "files/Target.h"
#include "search/ShapeSearch.h"

#include <benchmark/benchmark.h>

#include <iostream>

// Candidates the shape search scores a second on the harbour sample, on one thread and more:
// the first 150 calls of a run (random shapes and climbs for the first polygons).
static void BM_ShapeCandidates(benchmark::State& state) {
    auto target = LoadTarget(POLYEVOLVE_HARBOUR, std::cerr);
    UseTargetSize(*target);
    std::uint64_t scored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        GeneticTest test(target.get(), 3);
        ShapeSearch search(int(state.range(0)));
        state.ResumeTiming();
        for (int i = 0; i < 150; ++i) search.Evolve(test);
        scored += search.CandidatesScored();
    }
    state.counters["candidates_per_second"] = benchmark::Counter(double(scored), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ShapeCandidates)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
