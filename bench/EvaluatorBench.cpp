// The plain and the fast evaluator on the same work in one process: each benchmark runs the
// same stretch of a run with both, from the same start, and reports both rates, their ratio
// and whether both ended in the same state.
//   young:   the harbour picture, the first 20 000 iterations from seed 1
//   mature:  5 000 iterations from a drawing our batch runner made in 250 000 iterations
//   large:   a 1024 x 768 photo-like picture, 2 000 iterations from seed 1
// and the fast evaluator on one thread against two, young and mature.

#include "BenchSupport.h"

#include "engine/Evaluator.h"
#include "engine/GeneticTest.h"
#include "engine/ProgressFile.h"
#include "engine/Target.h"
#include "genome/Random.h"

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
    draws::Seed(seed);
    GeneticTest test(&target);
    if (!resume.empty() && LoadProgress(test, resume) != LoadResult::Loaded) std::abort();
    const auto evaluator = MakeEvaluator(kind, threads);
    const auto begun = std::chrono::steady_clock::now();
    for (int i = 0; i < iterations; ++i) evaluator->Evolve(test);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    evaluator->Settle();
    return Outcome{seconds, test.bestError, test.generation};
}

void Compare(benchmark::State& state, Image& target, const std::string& resume, unsigned seed,
             int iterations) {
    double plain = 0, fast = 0;
    bool same = true;
    for (auto _ : state) {
        const Outcome p = RunStretch(EvaluatorKind::Plain, target, resume, seed, iterations);
        const Outcome f = RunStretch(EvaluatorKind::Fast, target, resume, seed, iterations);
        plain += p.seconds;
        fast += f.seconds;
        same = same && p.error == f.error && p.generation == f.generation;
    }
    const double runs = double(state.iterations());
    state.counters["plain_ips"] = iterations * runs / plain;
    state.counters["fast_ips"] = iterations * runs / fast;
    state.counters["ratio"] = plain / fast;
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

}  // namespace

namespace {

// The fast evaluator on one thread and on two, the same stretch of run.
void CompareThreads(benchmark::State& state, Image& target, const std::string& resume,
                    unsigned seed, int iterations) {
    double one = 0, two = 0;
    bool same = true;
    for (auto _ : state) {
        const Outcome a = RunStretch(EvaluatorKind::Fast, target, resume, seed, iterations, 1);
        const Outcome b = RunStretch(EvaluatorKind::Fast, target, resume, seed, iterations, 2);
        one += a.seconds;
        two += b.seconds;
        same = same && a.error == b.error && a.generation == b.generation;
    }
    const double runs = double(state.iterations());
    state.counters["ips_1_thread"] = iterations * runs / one;
    state.counters["ips_2_threads"] = iterations * runs / two;
    state.counters["ratio"] = one / two;
    state.counters["same_result"] = same ? 1 : 0;
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

}  // namespace
