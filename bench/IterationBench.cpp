#include "BenchSupport.h"

#include "evolve/Evolution.h"
#include "evolve/GeneticTest.h"

#include <benchmark/benchmark.h>

// One full iteration of the loop (copy, mutate, render, compare, keep or drop) on a
// 200 x 200 target with a drawing of about 50 polygons.
static void BM_Iteration(benchmark::State& state) {
    Image target = BenchTarget();
    GeneticTest test(&target);
    test.best = BenchDrawing(int(state.range(0)));
    test.best.Render(test.canvas);
    test.bestError = test.canvas.Compare(target);
    std::srand(3);
    for (auto _ : state) benchmark::DoNotOptimize(Evolve(test));
    state.counters["polygons"] = double(test.best.polygons.size());
}
BENCHMARK(BM_Iteration)->Arg(50)->Arg(150);

// Copying and mutating alone, without the render and compare.
static void BM_CopyAndMutate(benchmark::State& state) {
    BenchTarget();
    const DnaDrawing best = BenchDrawing(50);
    std::srand(3);
    for (auto _ : state) {
        DnaDrawing candidate(best);
        while (!candidate.Mutate()) {
        }
        benchmark::DoNotOptimize(candidate.polygons.size());
    }
}
BENCHMARK(BM_CopyAndMutate);
