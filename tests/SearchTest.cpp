#include "TestSupport.h"

#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/Settings.h"
#include "image/PolygonScan.h"
#include "search/DepthCoverage.h"
#include "search/Search.h"
#include "search/WorkPool.h"
#include "search/ShapeSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
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

// Rows of a changed render made again in parts side by side: the same sums and error as row
// by row, and as a coverage made afresh.
TEST(Search, RowsUpdatedSideBySideAreTheRowByRowSums) {
    const Image target = Noisy(37, 40, 1);
    Image render = Noisy(37, 40, 2);
    Coverage apart, inOrder;
    apart.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 37, 40);
    inOrder.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 37, 40);
    WorkPool pool(3);
    for (auto [y0, y1] : {std::pair{3, 38}, std::pair{-5, 60}, std::pair{20, 20}}) {
        const short xs[] = {0, 36, 10}, ys[] = {short(y0), short((y0 + y1) / 2), short(y1)};
        render.Polygon(xs, ys, 3, 0x30c06090u + unsigned(y1));
        apart.UpdateRows(y0, y1, pool);
        inOrder.UpdateRows(y0, y1);
        Coverage fresh;
        fresh.Reset(Pixels(target), target.surface->pitch / 4, Pixels(render), render.surface->pitch / 4, 37, 40);
        EXPECT_EQ(apart.Error(), fresh.Error());
        EXPECT_EQ(inOrder.Error(), fresh.Error());
        for (int y = 0; y < 39; ++y) {
            CoverSums a, b;
            apart.AddSpan(y, 0, 35, a);
            fresh.AddSpan(y, 0, 35, b);
            ASSERT_TRUE(a == b) << y;
        }
    }
}

// Every index runs once, on any number of threads, jobs short and long alike, and only
// once the caller has prepared it (runs prepared in order of index); rows come in parts that
// cover them once.
TEST(Search, TheWorkPoolRunsEveryIndexOnce) {
    for (int threads : {1, 2, 5}) {
        WorkPool pool(threads);
        for (int count : {1, 7, 64, 300}) {
            std::vector<int> runs(std::size_t(count), 0), prepared(std::size_t(count), 0);
            int upTo = 0;
            std::atomic<int> early{0};
            pool.For(
                count,
                [&](int i, int) {
                    volatile double x = 0;
                    for (int k = 0; k < (i % 7 == 0 ? 20000 : 10); ++k) x = x + 1;
                    if (!prepared[std::size_t(i)]) ++early;
                    ++runs[std::size_t(i)];
                },
                [&](int a, int b) {
                    EXPECT_EQ(a, upTo);
                    upTo = b;
                    volatile double x = 0;
                    for (int k = 0; k < 20000; ++k) x = x + 1;  // the others start meanwhile
                    std::fill(prepared.begin() + a, prepared.begin() + b, 1);
                });
            EXPECT_EQ(upTo, count);
            EXPECT_EQ(early.load(), 0) << threads << " " << count;
            EXPECT_EQ(std::count(runs.begin(), runs.end(), 1), count) << threads << " " << count;
        }
        std::vector<int> rows(200, 0);
        const int parts = pool.ForRows(5, 190, 16, [&rows](int, int a, int b) {
            EXPECT_GE(b - a + 1, 1);
            for (int y = a; y <= b; ++y) ++rows[std::size_t(y)];
        });
        EXPECT_EQ(parts, 12);
        for (int y = 0; y < 200; ++y) EXPECT_EQ(rows[std::size_t(y)], y >= 5 && y <= 190 ? 1 : 0) << y;
    }
}

// A polygon's depth: the layer under it, the drawing without it and how much shows through.
struct Depth {
    Image below, without;
    std::vector<double> show;
    DepthCoverage cover;
    Depth(const Image& target, int w, int h, std::uint64_t budget, unsigned seed) : below(Noisy(w, h, seed)), without(Noisy(w, h, seed + 1)) {
        std::mt19937 rng(seed);
        for (int i = 0; i < (w - 1) * (h - 1); ++i) show.push_back(0.05 + double(rng() % 1000) / 1000.0);
        cover.Reset(Pixels(target), target.surface->pitch / 4, Pixels(below), below.surface->pitch / 4, Pixels(without),
                    without.surface->pitch / 4, show.data(), w, h, budget);
        cover.SumRows(0, h - 1);
    }
};

void ExpectNear(const FitSums& a, const FitSums& b) {
    auto near = [](double x, double y) { return std::abs(x - y) <= 1e-9 * std::max(1.0, std::abs(y)); };
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_TRUE(near(a.n, b.n) && near(a.error, b.error));
    for (int c = 0; c < 3; ++c)
        EXPECT_TRUE(near(a.t[c], b.t[c]) && near(a.o[c], b.o[c]) && near(a.tt[c], b.tt[c]) &&
                    near(a.oo[c], b.oo[c]) && near(a.to[c], b.to[c]));
}

// A layer's sums, with running sums and pixel by pixel; a top layer's (everything shows, the
// layer is the drawing) are the coverage's own.
TEST(Search, DepthSumsAreThePixelsSums) {
    const Image target = Noisy(37, 23, 1);
    Depth fast(target, 37, 23, std::uint64_t(1) << 29, 5), plain(target, 37, 23, 0, 5);
    ASSERT_TRUE(fast.cover.Prefixed());
    ASSERT_FALSE(plain.cover.Prefixed());
    Depth top(target, 37, 23, std::uint64_t(1) << 29, 5);
    std::fill(top.show.begin(), top.show.end(), 1.0);
    top.cover.Reset(Pixels(target), target.surface->pitch / 4, Pixels(top.without), top.without.surface->pitch / 4,
                    Pixels(top.without), top.without.surface->pitch / 4, top.show.data(), 37, 23);
    top.cover.SumRows(0, 22);
    Coverage cover;
    cover.Reset(Pixels(target), target.surface->pitch / 4, Pixels(top.without), top.without.surface->pitch / 4, 37, 23);
    std::mt19937 rng(3);
    DepthAdder adder(fast.cover), plainAdder(plain.cover);
    FitSums all;
    for (int i = 0; i < 300; ++i) {
        FitSums a, b, onTop;
        CoverSums covered;
        const int y = int(rng() % 26) - 1, l = int(rng() % 44) - 3, r = l + int(rng() % 20);
        fast.cover.AddSpan(y, l, r, a);
        plain.cover.AddSpan(y, l, r, b);
        ExpectNear(a, b);
        top.cover.AddSpan(y, l, r, onTop);
        cover.AddSpan(y, l, r, covered);
        const FitSums expected(covered);
        ASSERT_EQ(std::memcmp(&onTop, &expected, sizeof onTop), 0) << y << " " << l << " " << r;
        fast.cover.AddSpan(y, l, r, all);
        adder.Add(y, l, r);
        plainAdder.Add(y, l, r);
    }
    ExpectNear(adder.Sums(), all);
    ExpectNear(plainAdder.Sums(), all);
}

// A triangle painted under others changes the drawing's error about as its depth sums say.
TEST(Search, ATrianglesChangeAtDepthIsAboutTheRendersChange) {
    SettingsGuard guard;
    Image target = Noisy(60, 40, 7);
    UseTargetSize(target);
    const DnaPolygon under = MakePolygon({{0, 0}, {59, 2}, {30, 39}}, 0x4080c078u);
    const DnaPolygon above[2] = {MakePolygon({{-5, 5}, {70, 10}, {10, 45}}, 0xc0204060u),
                                 MakePolygon({{20, -4}, {62, 30}, {5, 38}, {50, 6}}, 0x10f0a050u)};
    Image below(60, 40), without(60, 40);
    below.Clear();
    under.Render(below);
    std::memcpy(without.surface->pixels, below.surface->pixels, std::size_t(below.surface->pitch) * 40);
    std::vector<double> show(59 * 39, 1.0);
    for (const DnaPolygon& polygon : above) {
        polygon.Render(without);
        std::vector<short> xs(polygon.FillCount()), ys(xs.size());
        polygon.CopyVertices(xs.data(), ys.data(), xs.size());
        scan::ScanPolygon(xs.data(), ys.data(), int(xs.size()), 60, 0, 38, [&](int y, int l, int r) {
            for (int x = l; x <= std::min(r, 58); ++x) show[std::size_t(y * 59 + x)] *= (255 - int(polygon.color & 0xff)) / 256.0;
        });
    }
    DepthCoverage cover;
    cover.Reset(Pixels(target), target.surface->pitch / 4, Pixels(below), below.surface->pitch / 4, Pixels(without),
                without.surface->pitch / 4, show.data(), 60, 40);
    cover.SumRows(0, 39);
    std::mt19937 rng(9);
    for (int round = 0; round < 30; ++round) {
        const short xs[3] = {short(rng() % 60), short(rng() % 60), short(rng() % 60)};
        const short ys[3] = {short(rng() % 40), short(rng() % 40), short(rng() % 40)};
        DepthAdder adder(cover);
        scan::ScanPolygon(xs, ys, 3, 60, 0, 38, [&](int y, int l, int r) { adder.Add(y, l, r); });
        const FitSums sums = adder.Sums();
        if (sums.pixels < 30) continue;
        const Paint paint = BestPaint(sums, 20, 120);
        Image painted(60, 40);
        painted.Clear();
        under.Render(painted);
        painted.Polygon(xs, ys, 3, paint.color);
        for (const DnaPolygon& polygon : above) polygon.Render(painted);
        const double real = double(std::int64_t(painted.Compare(target)) - std::int64_t(without.Compare(target)));
        // Each blend's rounding moves a pixel's channel by less than one step a layer.
        EXPECT_NEAR(real, paint.delta, 0.01 * std::abs(paint.delta) + 2.0 * double(sums.pixels)) << "round " << round;
    }
}

// The draws of a batch's shapes, passed over in order and read again, make the very shapes
// drawn one after another: random ones, and changes of shapes of every kind and vertex count.
TEST(Search, ShapesMadeFromDrawsReadAgainAreTheShapesDrawn) {
    for (const unsigned kinds : {unsigned(kPolygon), AllKinds()}) {
        DrawStream stream(5);
        DrawsOn on(stream);
        const ShapeMaker maker(50, 40, 10, kinds);
        Shape from;
        for (int i = 0; i < 4000; ++i) {
            const bool random = i % 2 == 0;
            const std::uint64_t start = stream.Position();
            Shape drawn, made;
            random ? maker.Random(on, drawn) : maker.Change(on, from, drawn);
            const std::uint64_t end = stream.Position();
            ASSERT_TRUE(stream.Seek(start));
            random ? maker.SkipRandom(on) : maker.SkipChange(on, from);
            ASSERT_EQ(stream.Position(), end) << i;
            DrawsAt at(stream, start);
            random ? maker.Random(at, made) : maker.Change(at, from, made);
            ASSERT_TRUE(made == drawn) << i;
            ASSERT_TRUE(maker.Fits(made)) << i;
            if (random) from = drawn;
        }
    }
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
    // Full of them, and in a replacements' turn: polygons of one and two vertices are
    // replaced from random starts, the far-flung one in its place.
    test.best.polygons.push_back(MakePolygon({{3, 3}, {30, 20}}, 0x80ff0060u));
    test.best.polygons.push_back(MakePolygon({{39, 29}}, 0x2020ff40u));
    Settings::MaxPolygons = 3;
    test.generation = ShapeSearch::kExactTurn;
    ShapeSearch two(2);
    const std::uint64_t before = test.RenderBest().Compare(target);
    for (int i = 0; i < 300; ++i) two.Evolve(test);
    EXPECT_EQ(test.bestError, test.RenderBest().Compare(target));
    EXPECT_LT(test.bestError, before);
}

// A caller may put another drawing in between two calls (a progress file loaded, say),
// while a polygon is being replaced or added: the search starts again from it, adding to it
// if it has room, just as a search begun on it would, on any number of threads (the check
// that finds it runs beside a batch, whose draws are then drawn again).
TEST(Search, ADrawingPutInBetweenCallsIsTakenUpAsAFreshSearchWouldTakeIt) {
    SettingsGuard guard;
    Image target = Noisy(40, 30, 6);
    UseTargetSize(target);
    for (const bool full : {true, false}) {
        Settings::MaxPolygons = full ? 3 : 6;
        for (int threads : {1, 2}) {
            GeneticTest test(&target, 5);
            for (int i = 0; i < 3; ++i)
                test.best.polygons.push_back(MakePolygon({{2, 2}, {38, 4 + 9 * i}, {5, 28}}, 0x40a0c080u + unsigned(i)));
            test.generation = ShapeSearch::kExactTurn;
            ShapeSearch search(threads);
            for (int i = 0; i < 3; ++i) search.Evolve(test);  // a replacement, or a polygon's search, under way
            if (full)
                test.best.polygons.resize(1);
            else
                test.best.polygons.front().points.front().x = 20;  // in place: the same count
            GeneticTest fresh(&target, 5);
            fresh.best = test.best;
            fresh.generation = test.generation;
            ASSERT_TRUE(fresh.draws.GoTo(test.draws.Position()));
            ShapeSearch begun(threads);
            const std::uint64_t before = test.RenderBest().Compare(target);
            for (int i = 0; i < 400; ++i) {
                search.Evolve(test);
                begun.Evolve(fresh);
            }
            EXPECT_EQ(test.bestError, test.RenderBest().Compare(target)) << full << threads;
            EXPECT_LT(test.bestError, before) << full << threads;
            EXPECT_GT(test.best.polygons.size(), full ? 1u : 3u) << full << threads;
            EXPECT_TRUE(SameDrawing(test.best, fresh.best)) << full << threads;
            EXPECT_EQ(test.draws.Position(), fresh.draws.Position()) << full << threads;
        }
    }
}

}  // namespace
