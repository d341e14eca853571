#include "TestSupport.h"

#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/Random.h"
#include "genome/Settings.h"
#include "run/RunStart.h"

#include "evolve/ParallelEvaluator.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <functional>
#include <sstream>
#include <thread>
#include <random>

// The fast evaluator on several threads against the one-thread run: the same state after
// every iteration, and the same draws for whatever comes after.

namespace {

Image Target(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool disc = (x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < w * h / 12;
            SetPixel(image, x, y,
                     disc ? Rgb{240, 200, int(rng() % 30)} : Rgb{x * 255 / w, 90, y * 255 / h});
        }
    return image;
}

std::uint64_t Hash(const DnaDrawing& drawing) {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](std::uint64_t v) { hash = (hash ^ v) * 1099511628211ull; };
    for (const DnaPolygon& polygon : drawing.polygons) {
        mix(polygon.color);
        for (const DnaPoint& p : polygon.points) mix(std::uint64_t(std::uint16_t(p.x)) << 16 | std::uint16_t(p.y));
        mix(0xfeed);
    }
    return hash;
}

struct Step {
    bool kept;
    std::uint64_t error, drawing;
    std::uint32_t generation;
    bool operator==(const Step& o) const {
        return kept == o.kept && error == o.error && drawing == o.drawing && generation == o.generation;
    }
};

struct Trace {
    std::vector<Step> steps;
    std::vector<int> after;  // the draws that follow the run
    int kept = 0;
    int wayChanges = 0;  // a threaded run's changes between speculating and scoring alone
};

using Between = std::function<void(GeneticTest&, Evaluator&, int)>;

Trace Evolve(int threads, Image& target, const std::string& resume, unsigned seed, int iterations,
           const Between& between = {}) {
    UseTargetSize(target);
    GeneticTest test(&target, seed);
    if (!resume.empty()) {
        EXPECT_EQ(LoadProgress(test, resume), LoadResult::Loaded);
    }
    const auto evaluator = MakeEvaluator(EvaluatorKind::Fast, threads);
    Trace run;
    for (int i = 0; i < iterations; ++i) {
        if (between) between(test, *evaluator, i);
        const bool kept = evaluator->Evolve(test);
        run.kept += kept;
        run.steps.push_back(Step{kept, test.bestError, Hash(test.best), test.generation});
    }
    if (const auto* parallel = dynamic_cast<const ParallelEvaluator*>(evaluator.get()))
        run.wayChanges = parallel->WayChanges();
    for (int i = 0; i < 50; ++i) run.after.push_back(test.draws.Next());
    return run;
}

void ExpectSame(const Trace& one, const Trace& many, int threads) {
    ASSERT_EQ(one.steps.size(), many.steps.size());
    for (std::size_t i = 0; i < one.steps.size(); ++i)
        ASSERT_TRUE(one.steps[i] == many.steps[i]) << threads << " threads, iteration " << i;
    EXPECT_EQ(one.after, many.after) << threads << " threads: the draws after the run";
}

class Parallel : public ::testing::Test {
protected:
    SettingsGuard guard;
    TempDir dir;
};

TEST_F(Parallel, YoungRunsWithManyGainsAreTheOneThreadRun) {
    Image target = Target(48, 36, 1);
    // Long enough for the threaded runs to score alone while winners are many and to go back
    // to speculating once they are few.
    for (unsigned seed : {1u, 2u}) {
        const int iterations = seed == 1 ? 3000 : 15000;
        const Trace one = Evolve(1, target, "", seed, iterations);
        EXPECT_GT(one.kept, 60);  // many candidates win, so many candidates made ahead are thrown away
        for (int threads : {2, 3, 8}) {
            const Trace many = Evolve(threads, target, "", seed, iterations);
            ExpectSame(one, many, threads);
            EXPECT_GE(many.wayChanges, seed == 1 ? 1 : 2) << "kept " << one.kept;
        }
    }
}

TEST_F(Parallel, MatureRunsWithFewGainsAreTheOneThreadRun) {
    Image target = Target(40, 40, 2);
    const std::string file = dir.File("mature.idx");
    {
        UseTargetSize(target);
        GeneticTest grown(&target, 5);
        const auto fast = MakeEvaluator(EvaluatorKind::Fast);
        for (int i = 0; i < 25000; ++i) fast->Evolve(grown);
        ASSERT_TRUE(SaveProgress(grown, file));
    }
    const Trace one = Evolve(1, target, file, 9, 4000);
    EXPECT_LT(one.kept, 400);
    for (int threads : {2, 3, 8}) {
        const Trace many = Evolve(threads, target, file, 9, 4000);
        ExpectSame(one, many, threads);
        EXPECT_EQ(many.wayChanges, 0) << "few winners: speculating throughout";
    }
}

TEST_F(Parallel, SavesAndResumesInTheMiddleDrawWhatTheyWouldOnOneThread) {
    Image target = Target(44, 30, 3);
    const std::string file = dir.File("middle.idx");
    auto between = [&file](GeneticTest& test, Evaluator&, int i) {
        if (i == 2200) test.bestError = 99999999999999999ull;  // changed behind its back
        if (i != 700 && i != 1500 && i != 1900) return;
        if (i == 700) {
            ASSERT_TRUE(SaveProgress(test, file));
        } else if (i == 1500) {
            ASSERT_EQ(LoadProgress(test, file), LoadResult::Loaded);
        } else {
            test.Restart();
        }
    };
    const Trace one = Evolve(1, target, "", 13, 2500, between);
    const std::vector<unsigned char> saved = ReadFile(file);
    for (int threads : {2, 3, 8}) {
        ExpectSame(one, Evolve(threads, target, "", 13, 2500, between), threads);
        EXPECT_EQ(ReadFile(file), saved) << threads << " threads";
    }
}

// More threads than cores would only take turns, and each batch would wait for one not
// running: a run asked for many starts no more than one a core, in either search.
TEST(Threads, ARunStartsAtMostOneThreadACore) {
    SettingsGuard guard;
    const auto threadsNow = [] {
        int count = 0;
        if (DIR* tasks = opendir("/proc/self/task")) {
            while (const dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
            closedir(tasks);
        }
        return count;
    };
    std::thread([] {}).join();  // a sanitizer's own thread starts with the first one made
    const int before = threadsNow();
    ASSERT_GT(before, 0);
    for (const char* search : {"mutate", "shapes"}) {
        RunOptions options;
        options.search = search;
        RunStart start(POLYEVOLVE_HARBOUR, "", options);
        std::ostringstream err;
        ASSERT_TRUE(start.LoadTarget(err)) << err.str();
        ASSERT_TRUE(start.Begin(1, EvaluatorKind::Fast, 64, err)) << err.str();
        EXPECT_LE(threadsNow() - before, DefaultThreads() - 1) << search;
    }
}

}  // namespace
