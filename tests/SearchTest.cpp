#include "TestSupport.h"

#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/Settings.h"
#include "image/PolygonScan.h"
#include "search/Search.h"
#include "search/ShapeSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

// The shape-by-shape search: its sums, its colours and its scores against the straightforward
// ways, and its runs against the thread count.

namespace {

Image Noisy(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(image, x, y, Rgb{int(rng() % 256), int(x * 255 / w), int((x + y) * 3 % 256)});
    return image;
}

Uint32* Pixels(const Image& image) { return static_cast<Uint32*>(image.surface->pixels); }

TEST(Search, RunningSumsAreThePixelsSums) {
    const Image target = Noisy(37, 23, 1), render = Noisy(37, 23, 2);
    Coverage fast, plain;
    fast.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 37, 23);
    plain.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 37, 23, 0);
    ASSERT_TRUE(fast.Prefixed());
    ASSERT_FALSE(plain.Prefixed());
    EXPECT_EQ(fast.Error(), render.Compare(target));
    EXPECT_EQ(plain.Error(), fast.Error());
    std::mt19937 rng(3);
    // Span by span, and many spans summed by the search's adder, with running sums and without.
    SpanAdder adder(fast), plainAdder(plain);
    CoverSums all;
    for (int i = 0; i < 500; ++i) {
        CoverSums a, b;
        const int y = int(rng() % 26) - 1, l = int(rng() % 44) - 3, r = l + int(rng() % 20);
        fast.AddSpan(y, l, r, a);
        plain.AddSpan(y, l, r, b);
        ASSERT_TRUE(a == b) << y << " " << l << " " << r;
        fast.AddSpan(y, l, r, all);
        adder.Add(y, l, r);
        plainAdder.Add(y, l, r);
    }
    EXPECT_TRUE(adder.Sums() == all);
    EXPECT_TRUE(plainAdder.Sums() == all);
}

// The search's rounding is the library's, halves and the numbers next to them included.
TEST(Search, RoundingIsTheLibrarys) {
    std::vector<double> values;
    for (int k = -4000; k <= 4000; ++k) {
        const double half = k / 2.0;
        values.insert(values.end(), {half, std::nextafter(half, -1e9), std::nextafter(half, 1e9)});
    }
    std::mt19937 rng(9);
    for (int i = 0; i < 20000; ++i) values.push_back((double(rng()) / 4294967296.0 - 0.5) * 80000.0);
    values.push_back(0.49999999999999994);
    for (const double v : values) ASSERT_EQ(RoundHalfAway(v), std::lround(v)) << v;
}

// The alpha found in closed form is as good as the best of every alpha in the range, the
// fitted colour free or clamped at 0 or 255 (renders black, white and noisy under a noisy target).
TEST(Search, TheFittedAlphaIsTheBestOfAllAlphas) {
    std::mt19937 rng(11);
    const int ranges[3][2] = {{20, 120}, {1, 255}, {200, 255}};
    for (int round = 0; round < 300; ++round) {
        const Image target = Noisy(16, 12, 100 + round);
        Image render = Noisy(16, 12, 400 + round);
        if (round % 3 != 2) {
            const int v = round % 3 == 0 ? 0 : 255;
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x) SetPixel(render, x, y, Rgb{v, v, v});
        }
        Coverage cover;
        cover.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 16, 12);
        SpanAdder adder(cover);
        for (int y = int(rng() % 4); y < 12; y += 1 + int(rng() % 3)) {
            const int l = int(rng() % 16);
            adder.Add(y, l, l + int(rng() % 16));
        }
        const CoverSums sums = adder.Sums();
        for (const auto& range : ranges) {
            Paint all = PaintFor(sums, range[0]);
            for (int a = range[0] + 1; a <= range[1]; ++a)
                if (PaintFor(sums, a).delta < all.delta) all = PaintFor(sums, a);
            const Paint fitted = BestPaint(sums, range[0], range[1]);
            const int alpha = int(fitted.color & 0xff);
            ASSERT_TRUE(alpha >= range[0] && alpha <= range[1]) << alpha;
            ASSERT_EQ(PaintFor(sums, alpha).delta, fitted.delta);
            // Colours are whole numbers, so the error is only nearly convex in alpha: the
            // alphas next to the fitted one may differ from the best by a rounding's worth.
            EXPECT_LE(fitted.delta - all.delta, 1e-4 * std::abs(all.delta)) << "round " << round;
        }
    }
}

// Channels are independent: the exact best colour of each is found by trying all 256 values.
TEST(Search, TheExactColourIsTheBestOfAllColours) {
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        const Image target = Noisy(9, 7, 10 + round), render = Noisy(9, 7, 60 + round);
        Coverage cover;
        cover.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 9, 7);
        std::vector<Span> spans;
        CoverSums sums;
        for (int y = 0; y < 6; ++y) {
            const int l = int(rng() % 8), r = l + int(rng() % (8 - l));
            spans.push_back(Span{y, l, r});
            cover.AddSpan(y, l, r, sums);
        }
        const int alpha = 1 + int(rng() % 255);
        const Paint paint = ExactPaint(cover, spans, alpha);
        double best = 0;
        for (int c = 0; c < 3; ++c) {
            std::int64_t lowest = INT64_MAX;
            for (int v = 0; v < 256; ++v) lowest = std::min(lowest, ExactChannelDelta(cover, spans, c, alpha, v));
            const int chosen = int((paint.color >> (24 - 8 * c)) & 0xff);
            EXPECT_EQ(ExactChannelDelta(cover, spans, c, alpha, chosen), lowest) << "round " << round << ", channel " << c;
            best += double(lowest);
        }
        EXPECT_EQ(paint.delta, best);
        EXPECT_EQ(int(paint.color & 0xff), alpha);
    }
}

// A triangle's exact change is the change of the whole picture's error when it is painted.
TEST(Search, ATrianglesExactChangeIsTheFullRendersChange) {
    Settings::AlphaMin = 20;
    Settings::AlphaMax = 120;
    const Image target = Noisy(60, 40, 7);
    Image render = Noisy(60, 40, 8);
    Coverage cover;
    cover.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 60, 40);
    std::mt19937 rng(9);
    for (int round = 0; round < 30; ++round) {
        const short xs[3] = {short(rng() % 60), short(rng() % 60), short(rng() % 60)};
        const short ys[3] = {short(rng() % 40), short(rng() % 40), short(rng() % 40)};
        std::vector<Span> spans;
        CoverSums sums;
        scan::ScanPolygon(xs, ys, 3, 60, 0, 38, [&](int y, int l, int r) {
            r = std::min(r, 58);
            if (l > r) return;
            spans.push_back(Span{y, l, r});
            cover.AddSpan(y, l, r, sums);
        });
        const Paint paint = ExactPaint(cover, spans, 20 + round * 3);
        Image painted = Noisy(60, 40, 8);
        painted.Polygon(xs, ys, 3, paint.color);
        EXPECT_EQ(double(std::int64_t(painted.Compare(target)) - std::int64_t(render.Compare(target))), paint.delta)
            << "round " << round;
    }
}

struct Outcome {
    std::uint64_t error;
    std::uint32_t generation;
    std::vector<unsigned char> saved;
};

Outcome Search(int threads, int calls, const std::string& resume = "") {
    Image target{std::string(POLYEVOLVE_HARBOUR)};
    UseTargetSize(target);
    GeneticTest test(&target, 21);
    if (!resume.empty()) {
        EXPECT_EQ(LoadProgress(test, resume), LoadResult::Loaded);
    }
    ShapeSearch search(threads);
    for (int i = 0; i < calls; ++i) search.Evolve(test);
    // The search's own render and error are the drawing's.
    EXPECT_EQ(test.bestError, test.RenderBest().Compare(target));
    TempDir dir;
    EXPECT_TRUE(SaveProgress(test, dir.File("run.idx")));
    return Outcome{test.bestError, test.generation, ReadFile(dir.File("run.idx"))};
}

TEST(Search, TheSameSeedGivesTheSameDrawingOnAnyNumberOfThreads) {
    SettingsGuard guard;
    Settings::MaxPolygons = 7;  // the build-up, then the exact run's refinement
    const Outcome one = Search(1, 1200);
    EXPECT_LT(one.error, Search(1, 1).error);
    for (int threads : {2, 4}) {
        const Outcome many = Search(threads, 1200);
        EXPECT_EQ(many.error, one.error) << threads;
        EXPECT_EQ(many.generation, one.generation) << threads;
        EXPECT_EQ(many.saved, one.saved) << threads;
    }
}

// A drawing of one search goes on in the other, through the progress file.
TEST(Search, BothSearchesResumeEachOthersProgressFiles) {
    TempDir dir;
    const std::string shapes = dir.File("shapes"), mutate = dir.File("mutate");
    auto batch = [](std::vector<std::string> args) {
        args.insert(args.begin(), POLYEVOLVE_BATCH_BIN);
        const ProcessResult r = RunProcess(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return Fields(r.out);
    };
    const auto first = batch({POLYEVOLVE_HARBOUR, "--search", "shapes", "--seed", "4", "--iterations", "1500",
                              "--max-polygons", "5", "--save", shapes, "--quiet"});
    EXPECT_EQ(first.at("polygons"), "5");
    const auto second = batch({POLYEVOLVE_HARBOUR, "--seed", "4", "--iterations", "300", "--resume",
                               shapes + ".idx", "--save", mutate, "--quiet"});
    EXPECT_LE(std::stoull(second.at("error")), std::stoull(first.at("error")));
    const auto third = batch({POLYEVOLVE_HARBOUR, "--search", "shapes", "--seed", "4", "--iterations", "1000",
                              "--resume", mutate + ".idx", "--max-polygons", "30", "--quiet"});
    EXPECT_LT(std::stoull(third.at("error")), std::stoull(second.at("error")));
    const ProcessResult bad = RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_HARBOUR, "--alpha", "90,20"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "--alpha: 90,20 is not MIN,MAX with 0 <= MIN <= MAX <= 255 (polyevolve-batch --help lists the options)\n");
}

// A loaded drawing may hold any 16-bit vertex; the search reads the farthest ones without
// overflowing (the sanitizer build checks).
TEST(Search, VerticesAtTheEndsOfTheirRangeAreRead) {
    SettingsGuard guard;
    Image target = Noisy(40, 30, 4);
    UseTargetSize(target);
    GeneticTest test(&target, 3);
    test.best.polygons.push_back(MakePolygon({{-32768, -32768}, {32767, -5}, {7, 32767}}, 0xff000080u));
    ShapeSearch search(1);
    search.Evolve(test);
    EXPECT_EQ(test.bestError, test.RenderBest().Compare(target));
}

}  // namespace
