#include "evolve/GeneticTest.h"
#include "files/RunSetup.h"
#include "files/Target.h"
#include "genome/Settings.h"
#include "search/Search.h"
#include "shapes/Shape.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

// Each kind of shape alone, on one thread, 100 shapes at most, as the batch runner draws them
// (on the picture's mean colour, alpha 20 to 255): the seconds to reach the RMSE another
// shape-by-shape program reaches on the harbour sample with 100 shapes of that kind (its
// time was about twenty times the `within` given), and the RMSE reached within that time on
// any picture (POLYEVOLVE_BENCH_PICTURES, a list split by ':'; the harbour by default). Each
// repetition runs the next seed:
//   polyevolve_bench --benchmark_filter=Kind --benchmark_repetitions=5
namespace {

struct Goal {
    const char* kind;
    double rmse, within;  // seconds
};

const Goal kGoals[] = {{"triangle", 22.31, 0.85},          {"rectangle", 22.68, 0.54}, {"ellipse", 21.90, 1.1},
                       {"circle", 22.80, 1.4},             {"rotated-rectangle", 22.31, 0.69},
                       {"curve", 44.97, 0.95},             {"rotated-ellipse", 22.19, 2.3},
                       {"any", 22.13, 1.2}};

double Rmse(std::uint64_t error, const Image& target) {
    const double pixels = double(target.Width() - 1) * double(target.Height() - 1);
    return std::sqrt(double(error) / (3.0 * pixels));
}

std::vector<std::string> Pictures() {
    const char* list = std::getenv("POLYEVOLVE_BENCH_PICTURES");
    std::vector<std::string> pictures;
    std::stringstream in(list && *list ? list : POLYEVOLVE_HARBOUR);
    for (std::string path; std::getline(in, path, ':');) pictures.push_back(path);
    return pictures;
}

// Runs kind `goal` on `path` until `done(rmse, seconds)`; the seconds and RMSE at the end.
template <class Done>
std::pair<double, double> Run(const Goal& goal, const std::string& path, unsigned seed, Done done) {
    // A 256-pixel copy (the longer side), as the batch runner makes with --max-size 256.
    static std::string loaded;
    static std::unique_ptr<Image> target;
    if (loaded != path) {
        RunOptions options;
        options.maxSize = 256;
        options.maxSizeGiven = true;
        int w = 0, h = 0;
        std::ostringstream quiet;
        auto picture = LoadTarget(path, std::cerr, 256, 0, &w, &h);
        target = picture ? EvolvedTarget(std::move(picture), options, path, w, h, quiet) : nullptr;
        loaded = path;
    }
    if (!target) return {0, 0};
    UseTargetSize(*target);
    Settings::MaxPolygons = 100;
    Settings::AlphaMin = 20;
    Settings::AlphaMax = 255;
    Settings::Background = int(MeanColour(*target));
    unsigned kinds = 0;
    ParseShapeKinds(goal.kind, kinds);
    GeneticTest test(target.get(), seed);
    const auto search = MakeSearch(SearchKind::Shapes, EvaluatorKind::Fast, 1, kinds);
    const auto start = std::chrono::steady_clock::now();
    double seconds = 0;
    while (!done(Rmse(test.bestError, *target), seconds)) {
        search->Evolve(test);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return {seconds, Rmse(test.bestError, *target)};
}

void BM_KindTimeToRmse(benchmark::State& state) {
    const Goal& goal = kGoals[state.range(0)];
    static unsigned seed = 0;
    double reached = 0;
    for (auto _ : state) {
        const auto [seconds, rmse] =
            Run(goal, POLYEVOLVE_HARBOUR, ++seed, [&](double r, double s) { return r <= goal.rmse || s > 60; });
        state.SetIterationTime(seconds);
        reached = rmse;
    }
    state.SetLabel(goal.kind);
    state.counters["goal_rmse"] = goal.rmse;
    state.counters["within_s"] = goal.within;
    state.counters["rmse"] = reached;
}

void BM_KindRmseWithin(benchmark::State& state) {
    const Goal& goal = kGoals[state.range(0)];
    const std::string path = Pictures()[std::size_t(state.range(1)) % Pictures().size()];
    static unsigned seed = 0;
    double reached = 0;
    for (auto _ : state) {
        const auto [seconds, rmse] = Run(goal, path, ++seed, [&](double, double s) { return s >= goal.within; });
        state.SetIterationTime(seconds);
        reached = rmse;
    }
    state.SetLabel(std::string(goal.kind) + " " + path.substr(path.find_last_of('/') + 1));
    state.counters["rmse"] = reached;
}

}  // namespace

BENCHMARK(BM_KindTimeToRmse)->DenseRange(0, 7)->ArgName("kind")->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_KindRmseWithin)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 7, 1), benchmark::CreateDenseRange(0, 3, 1)})
    ->ArgNames({"kind", "picture"})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
