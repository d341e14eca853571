#include "BenchSupport.h"

#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/DrawStream.h"
#include "genome/MutationSteps.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <memory>

// Draws per second: the run's stream against the C library's rand().
static void BM_DrawsStream(benchmark::State& state) {
    DrawStream stream(5);
    for (auto _ : state) benchmark::DoNotOptimize(stream.Next());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawsStream);

static void BM_DrawsRand(benchmark::State& state) {
    std::srand(5);
    for (auto _ : state) benchmark::DoNotOptimize(std::rand());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawsRand);

namespace {

// Mutate calls on a copy of the drawing, the walk (range 0) or the skip (range 1); the copy is
// made again every 64 calls so it stays the drawing it started as.
void MutateCalls(benchmark::State& state, const DnaDrawing& start) {
    DrawStream stream(7);
    draws::Use use(stream);
    const ChanceRate rate(mutation::SharedPolygonRate());
    const bool skip = state.range(0) == 1;
    DnaDrawing drawing = start;
    std::int64_t calls = 0;
    for (auto _ : state) {
        mutation::Unrecorded recorder;
        benchmark::DoNotOptimize(skip ? mutation::MutateDrawingSkipping(drawing, recorder, stream, rate)
                                      : mutation::MutateDrawing(drawing, recorder));
        if (++calls % 64 == 0) {
            state.PauseTiming();
            drawing = start;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

// A young drawing: the three triangles a run starts from.
static void BM_MutateYoung(benchmark::State& state) {
    BenchTarget();
    MutateCalls(state, BenchDrawing(3));
}
BENCHMARK(BM_MutateYoung)->Arg(0)->Arg(1);

// A mature drawing: the harbour run after 250 000 iterations.
static void BM_MutateMature(benchmark::State& state) {
    auto target = LoadTarget(POLYEVOLVE_HARBOUR, std::cerr);
    UseTargetSize(*target);
    GeneticTest test(target.get(), 1);
    if (LoadProgress(test, POLYEVOLVE_MATURE) != LoadResult::Loaded) std::abort();
    MutateCalls(state, test.best);
}
BENCHMARK(BM_MutateMature)->Arg(0)->Arg(1);
