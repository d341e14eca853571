// The plain and the fast evaluator on the same work in one process: each benchmark runs the
// same stretch of a run with both, from the same start, and reports both rates, their ratio
// and whether both ended in the same state.
//   young:   the harbour picture, the first 20 000 iterations from seed 1
//   mature:  5 000 iterations from a drawing our batch runner made in 250 000 iterations
//   large:   a 1024 x 768 photo-like picture, 2 000 iterations from seed 1
// and the fast evaluator on one thread against two, young and mature, and on the mature
// stretch with each pixel kernel set.

#include "BenchSupport.h"

#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/Random.h"
#include "image/KernelChoice.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Outcome {
    double seconds;
    std::uint64_t error;
    std::uint32_t generation;
};

Outcome RunStretch(EvaluatorKind kind, Image& target, const std::string& resume, unsigned seed,
                   int iterations, int threads = 1) {
    UseTargetSize(target);
    GeneticTest test(&target, seed);
    if (!resume.empty() && LoadProgress(test, resume) != LoadResult::Loaded) std::abort();
    const auto evaluator = MakeEvaluator(kind, threads);
    const auto begun = std::chrono::steady_clock::now();
    for (int i = 0; i < iterations; ++i) evaluator->Evolve(test);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    return Outcome{seconds, test.bestError, test.generation};
}

struct Way {
    EvaluatorKind kind;
    int threads;
};

// Runs the same stretch both ways and reports both rates, their ratio and whether they agree.
void Compare(benchmark::State& state, Image& target, const std::string& resume, unsigned seed,
             int iterations, Way first = {EvaluatorKind::Plain, 1},
             Way second = {EvaluatorKind::Fast, 1}, const char* firstName = "plain_ips",
             const char* secondName = "fast_ips") {
    double a = 0, b = 0;
    bool same = true;
    for (auto _ : state) {
        const Outcome p = RunStretch(first.kind, target, resume, seed, iterations, first.threads);
        const Outcome f = RunStretch(second.kind, target, resume, seed, iterations, second.threads);
        a += p.seconds;
        b += f.seconds;
        same = same && p.error == f.error && p.generation == f.generation;
    }
    const double runs = double(state.iterations());
    state.counters[firstName] = iterations * runs / a;
    state.counters[secondName] = iterations * runs / b;
    state.counters["ratio"] = a / b;
    state.counters["same_result"] = same ? 1 : 0;
}

void BM_Young(benchmark::State& state) {
    Image target{std::string(POLYEVOLVE_HARBOUR)};
    Compare(state, target, "", 1, 20000);
}
BENCHMARK(BM_Young)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Mature(benchmark::State& state) {
    Image target{std::string(POLYEVOLVE_HARBOUR)};
    Compare(state, target, POLYEVOLVE_MATURE, 2, 5000);
}
BENCHMARK(BM_Mature)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Large(benchmark::State& state) {
    Image target = PhotoLikeTarget(1024, 768);
    Compare(state, target, "", 1, 2000);
}
BENCHMARK(BM_Large)->Iterations(1)->Unit(benchmark::kSecond);

// The fast evaluator on one thread and on two, the same stretch of run.
void CompareThreads(benchmark::State& state, Image& target, const std::string& resume,
                    unsigned seed, int iterations) {
    Compare(state, target, resume, seed, iterations, {EvaluatorKind::Fast, 1},
            {EvaluatorKind::Fast, 2}, "ips_1_thread", "ips_2_threads");
}

void BM_YoungThreads(benchmark::State& state) {
    Image target{std::string(POLYEVOLVE_HARBOUR)};
    CompareThreads(state, target, "", 1, 20000);
}
BENCHMARK(BM_YoungThreads)->Iterations(3)->Unit(benchmark::kSecond);

void BM_MatureThreads(benchmark::State& state) {
    Image target{std::string(POLYEVOLVE_HARBOUR)};
    CompareThreads(state, target, POLYEVOLVE_MATURE, 2, 20000);
}
BENCHMARK(BM_MatureThreads)->Iterations(3)->Unit(benchmark::kSecond);

// The fast evaluator on the mature stretch with each pixel kernel set: 0 plain, 1 SSE2, 2 AVX2.
void BM_MatureKernels(benchmark::State& state) {
    const KernelSet running = RunningKernels();
    if (!UseKernels(KernelSet(state.range(0)))) {
        state.SkipWithError("not built or not on this processor");
        return;
    }
    Image target{std::string(POLYEVOLVE_HARBOUR)};
    double seconds = 0;
    for (auto _ : state) seconds += RunStretch(EvaluatorKind::Fast, target, POLYEVOLVE_MATURE, 2, 5000).seconds;
    UseKernels(running);
    state.counters["fast_ips"] = 5000.0 * double(state.iterations()) / seconds;
}
BENCHMARK(BM_MatureKernels)->DenseRange(0, 2)->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace
