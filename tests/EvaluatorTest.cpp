#include "TestSupport.h"

#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

// The fast evaluator against the plain one: the same start must give the same state after
// every iteration, whatever the drawing, the target or the settings.

namespace {

// A target with smooth gradients and a few hard-edged blobs, so that candidates are accepted
// now and then for a long time, as on a photograph.
Image PhotoLike(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Image image(w, h);
    const int cx = int(rng() % unsigned(w)), cy = int(rng() % unsigned(h));
    const int radius = 1 + int(rng() % unsigned(std::max(1, std::min(w, h) / 2)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool blob = (x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius;
            const Rgb c = blob ? Rgb{250, int(rng() % 40), 30}
                               : Rgb{(x * 255) / w, (y * 255) / h, int((x + y) * 97 % 256)};
            SetPixel(image, x, y, c, int(rng() % 256));  // stray alpha bytes must not count
        }
    return image;
}

std::uint64_t DrawingHash(const DnaDrawing& drawing) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&hash](std::uint64_t v) { hash = (hash ^ v) * 0x100000001b3ull; };
    mix(drawing.polygons.size());
    for (const DnaPolygon& polygon : drawing.polygons) {
        mix(polygon.points.size());
        mix(polygon.color);
        for (const DnaPoint& p : polygon.points) mix((std::uint64_t(std::uint16_t(p.x)) << 16) | std::uint16_t(p.y));
    }
    return hash;
}

struct Step {
    bool kept;
    std::uint64_t error;
    std::uint32_t generation;
    std::uint64_t drawing;
    int probe;  // the next rand() value: both runs must have drawn exactly as often
    bool operator==(const Step& o) const {
        return kept == o.kept && error == o.error && generation == o.generation &&
               drawing == o.drawing && probe == o.probe;
    }
};

struct Scenario {
    Image* target = nullptr;
    unsigned seed = 1;
    int iterations = 500;
    std::function<void(GeneticTest&)> setup;                // after the random start
    std::function<void(GeneticTest&, int)> between;          // before each iteration
};

std::vector<Step> RunWith(EvaluatorKind kind, const Scenario& s) {
    Settings::ScreenWidth = s.target->Width();
    Settings::ScreenHeight = s.target->Height();
    std::srand(s.seed);
    GeneticTest test(s.target);
    if (s.setup) s.setup(test);
    const auto evaluator = MakeEvaluator(kind);
    std::vector<Step> steps;
    for (int i = 0; i < s.iterations; ++i) {
        if (s.between) s.between(test, i);
        const bool kept = evaluator->Evolve(test);
        steps.push_back(Step{kept, test.bestError, test.generation, DrawingHash(test.best),
                             std::rand()});
    }
    return steps;
}

// Runs both and reports the first iteration where they part.
void ExpectSameRun(const Scenario& s, const std::string& what, bool expectGains = true) {
    const std::vector<Step> plain = RunWith(EvaluatorKind::Plain, s);
    const std::vector<Step> fast = RunWith(EvaluatorKind::Fast, s);
    ASSERT_EQ(plain.size(), fast.size());
    int kept = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        ASSERT_TRUE(plain[i] == fast[i])
            << what << ": iteration " << i << " plain kept " << plain[i].kept << " error "
            << plain[i].error << " / fast kept " << fast[i].kept << " error " << fast[i].error;
        kept += plain[i].kept;
    }
    // A run that never accepts anything would prove little.
    if (expectGains && s.target->Width() > 1 && s.target->Height() > 1) {
        EXPECT_GT(kept, 0) << what;
    }
}

class Evaluators : public ::testing::Test {
protected:
    SettingsGuard guard;
};

TEST_F(Evaluators, SameRunOnEveryShapeOfTarget) {
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {3, 1000}, {1000, 3}, {31, 17},
                                         {64, 48}, {7, 1}, {1, 9}};
    unsigned seed = 1;
    for (const auto& [w, h] : sizes) {
        Image target = PhotoLike(w, h, seed);
        for (int round = 0; round < 3; ++round, ++seed) {
            // The last round paints on a background colour, as the shape search's refinement does.
            Settings::Background = round == 2 ? 0x3080c0 : 0;
            Scenario s;
            s.target = &target;
            s.seed = seed;
            s.iterations = 800;
            ExpectSameRun(s, std::to_string(w) + "x" + std::to_string(h) + " seed " +
                                 std::to_string(seed));
        }
    }
}

TEST_F(Evaluators, SameRunFromAMatureResumedDrawing) {
    Image target = PhotoLike(48, 40, 5);
    TempDir dir;
    const std::string file = dir.File("mature.idx");
    {
        Settings::ScreenWidth = 48;
        Settings::ScreenHeight = 40;
        std::srand(99);
        GeneticTest grown(&target);
        const auto fast = MakeEvaluator(EvaluatorKind::Fast);
        for (int i = 0; i < 30000; ++i) fast->Evolve(grown);
        ASSERT_GT(grown.best.polygons.size(), 8u);
        ASSERT_TRUE(SaveProgress(grown, file));
    }
    for (unsigned seed : {3u, 4u, 5u}) {
        Scenario s;
        s.target = &target;
        s.seed = seed;
        s.iterations = 3000;
        s.setup = [&file](GeneticTest& test) {
            ASSERT_EQ(LoadProgress(test, file), LoadResult::Loaded);
        };
        ExpectSameRun(s, "mature, seed " + std::to_string(seed));
    }
}

// A rejected candidate is put back without touching the heap: once the caches and scratch have
// grown, losing iterations allocate nothing. (Only the genome's own lists allocate, for an
// added polygon or vertex; those mutations are off while counting.)
TEST_F(Evaluators, LosingCandidatesAllocateNothing) {
    Image target = PhotoLike(48, 40, 6);
    Settings::ScreenWidth = 48;
    Settings::ScreenHeight = 40;
    GeneticTest test(&target, 12);
    const auto fast = MakeEvaluator(EvaluatorKind::Fast);
    for (int i = 0; i < 10000; ++i) fast->Evolve(test);
    Settings::AddPointMutation = Settings::AddPolyMutation = 1;  // rand() % 1 is never 1
    int losers = 0, allocating = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::uint64_t before = AllocationsOnThisThread();
        if (fast->Evolve(test)) continue;
        ++losers;
        allocating += AllocationsOnThisThread() != before;
    }
    EXPECT_GT(losers, 3000);
    EXPECT_EQ(allocating, 0) << "of " << losers << " losing iterations";
}

TEST_F(Evaluators, SameRunWithDrawingsThatOnlyADamagedFileGives) {
    Image target = PhotoLike(40, 30, 8);
    Settings::ScreenWidth = 40;  // the polygons below start as random ones
    Settings::ScreenHeight = 30;
    std::mt19937 rng(8);
    // Vertices far outside the target, polygons of 0, 1, 2 and thousands of vertices,
    // any alpha; and stored errors below, at and above the drawing's real one.
    DnaDrawing odd;
    odd.polygons.clear();
    for (int k = 0; k < 12; ++k) {
        std::vector<std::pair<short, short>> vertices;
        const int count = k < 3 ? k : k == 5 ? 400 : 3 + int(rng() % 6);
        for (int v = 0; v < count; ++v)
            vertices.emplace_back(short(int(rng() % 400) - 200), short(int(rng() % 300) - 150));
        odd.polygons.push_back(MakePolygon(vertices, unsigned(rng())));
    }
    for (std::uint64_t stored : {0ull, 5ull, 1ull << 40, 99999999999999999ull}) {
        Scenario s;
        s.target = &target;
        s.seed = 21;
        s.iterations = 600;
        s.setup = [&odd, stored](GeneticTest& test) {
            test.best = odd;
            test.bestError = stored;
        };
        ExpectSameRun(s, "stored error " + std::to_string(stored), stored > 5);
    }
}

TEST_F(Evaluators, SameRunWhenEveryOperatorFiresOften) {
    Image target = PhotoLike(36, 28, 13);
    for (int rate : {2, 3, 5}) {
        Settings::AddPolyMutation = rate;
        Settings::DelPolyMutation = rate;
        Settings::MovePolyMutation = rate;
        Settings::AddPointMutation = rate;
        Settings::DelPointMutation = rate;
        Settings::AlphaMutation = rate;
        Settings::ComponentMutation = rate;
        Settings::PointMaxMutation = rate + 1;
        Settings::PointMidMutation = rate;
        Settings::PointMinMutation = rate;
        Settings::MaxPolygons = 9;  // counts at their limits again and again
        Settings::MinPolygons = 2;
        Settings::MaxPoints = 6;
        Settings::MinPoints = 3;
        Scenario s;
        s.target = &target;
        s.seed = unsigned(40 + rate);
        s.iterations = 1500;
        ExpectSameRun(s, "rate " + std::to_string(rate));
    }
}

TEST_F(Evaluators, SameRunAcrossSavesResumesAndRestarts) {
    Image target = PhotoLike(50, 34, 17);
    TempDir dir;
    const std::string file = dir.File("midway.idx");
    Scenario s;
    s.target = &target;
    s.seed = 77;
    s.iterations = 4000;
    s.between = [&file](GeneticTest& test, int i) {
        if (i == 1000) {
            ASSERT_TRUE(SaveProgress(test, file));  // draws, as every save does
        }
        if (i == 2500) {
            ASSERT_EQ(LoadProgress(test, file), LoadResult::Loaded);  // back in time
        }
        if (i == 3200) test.Restart();
        if (i == 3600) test.bestError = 99999999999999999ull;  // stored error above the real one
    };
    ExpectSameRun(s, "saves and resumes");
}

}  // namespace
