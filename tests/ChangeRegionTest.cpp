#include "TestSupport.h"

#include "evolve/ChangeRegion.h"
#include "evolve/FlatPolygon.h"
#include "evolve/LayerCache.h"
#include "genome/DnaDrawing.h"
#include "genome/Settings.h"
#include "image/KernelChoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>

// The region and its score against the plain way: on random drawings with random changes,
// every pixel that a full render changes lies in the region, the region repainted from the
// cached layers equals the full render there, and the score from the region equals a full
// Compare.

namespace {

DnaPolygon RandomPolygon(std::mt19937& rng, int w, int h) {
    std::vector<std::pair<short, short>> vertices;
    const int count = int(rng() % 9);  // 0..8: too few to paint, triangles, non-convex shapes
    for (int i = 0; i < count; ++i) {
        // Mostly inside, now and then well outside the canvas.
        const bool outside = rng() % 8 == 0;
        const int x = outside ? int(rng() % unsigned(3 * w)) - w : int(rng() % unsigned(w));
        const int y = outside ? int(rng() % unsigned(3 * h)) - h : int(rng() % unsigned(h));
        vertices.emplace_back(short(x), short(y));
    }
    return MakePolygon(vertices, unsigned(rng()));
}

template <class List>
typename List::iterator Nth(List& list, std::size_t n) {
    return std::next(list.begin(), std::ptrdiff_t(n));
}

TEST(ChangeRegion, RegionScoreEqualsFullCompareOnRandomChanges) {
    SettingsGuard guard;
    std::mt19937 rng(2024);
    for (int round = 0; round < 400; ++round) {
        const int w = 2 + int(rng() % 60), h = 2 + int(rng() % 60);
        Settings::ScreenWidth = w;
        Settings::ScreenHeight = h;
        Image target(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetPixel(target, x, y, Rgb{int(rng() % 256), int(rng() % 256), int(rng() % 256)});

        DnaDrawing before;
        before.polygons.clear();
        const int n = 1 + int(rng() % 12);
        for (int i = 0; i < n; ++i) before.polygons.push_back(RandomPolygon(rng, w, h));
        DnaDrawing after = before;

        // One to three changes of any kind, noting what each may repaint.
        std::vector<std::size_t> reshaped, recoloured;
        bool structural = false;
        for (int c = 1 + int(rng() % 3); c > 0; --c) {
            auto& list = after.polygons;
            const std::size_t at = rng() % list.size();
            DnaPolygon& p = *Nth(list, at);
            switch (rng() % 6) {
            case 0:  // move a vertex a little or far
                if (!p.points.empty()) {
                    DnaPoint& v = *Nth(p.points, rng() % p.points.size());
                    const int reach = rng() % 2 ? 3 : 2 * std::max(w, h);
                    v.x = short(v.x + int(rng() % unsigned(2 * reach + 1)) - reach);
                    v.y = short(v.y + int(rng() % unsigned(2 * reach + 1)) - reach);
                }
                break;
            case 1:
                p.color = unsigned(rng());
                break;
            case 2:
                p.points.insert(Nth(p.points, rng() % (p.points.size() + 1)),
                                DnaPoint(short(rng() % unsigned(w)), short(rng() % unsigned(h))));
                break;
            case 3:
                if (!p.points.empty()) p.points.erase(Nth(p.points, rng() % p.points.size()));
                break;
            case 4:  // a new polygon anywhere in the order
                list.insert(Nth(list, rng() % (list.size() + 1)), RandomPolygon(rng, w, h));
                structural = true;
                break;
            case 5:  // one moved to another place in the order
                if (list.size() > 1) {
                    list.splice(Nth(list, rng() % list.size()), list, Nth(list, at));
                    structural = true;
                }
                break;
            }
            if (list.size() > 1 && rng() % 10 == 0) {  // and now and then one deleted
                list.erase(Nth(list, rng() % list.size()));
                structural = true;
            }
        }

        // The flat copies and the region, as the fast evaluator builds them.
        ChangeRegion region;
        region.Resize(w, h);
        std::vector<FlatPolygon> flatBefore(before.polygons.size()), flatAfter(after.polygons.size());
        std::size_t i = 0;
        for (DnaPolygon& p : before.polygons) {
            flatBefore[i].Assign(p);
            if (rng() % 4) region.Rasterize(flatBefore[i], 1u << 20);  // some without spans
            ++i;
        }
        i = 0;
        for (DnaPolygon& p : after.polygons) {
            flatAfter[i].Assign(p);
            if (rng() % 4) region.Rasterize(flatAfter[i], 1u << 20);
            // From an earlier shape of as many vertices, rescanning only the rows that can
            // differ: the very spans of a full scan.
            if (flatAfter[i].spansKnown && i < flatBefore.size() && flatBefore[i].spansKnown &&
                flatBefore[i].Count() == flatAfter[i].Count()) {
                FlatPolygon again = flatAfter[i];
                region.Rasterize(again, 1u << 20, &flatBefore[i]);
                ASSERT_EQ(again.firstSpanRow, flatAfter[i].firstSpanRow) << "round " << round;
                ASSERT_EQ(again.rowStart, flatAfter[i].rowStart) << "round " << round;
                for (std::size_t k = 0; k < again.spans.size(); ++k)
                    ASSERT_TRUE(again.spans[k].left == flatAfter[i].spans[k].left &&
                                again.spans[k].right == flatAfter[i].spans[k].right)
                        << "round " << round;
            }
            ++i;
        }
        int unchanged = 0;
        if (structural) {
            // Order changed: everything the two drawings paint may change.
            for (auto& f : flatBefore) region.Add(f);
            for (auto& f : flatAfter) region.Add(f);
        } else {
            unchanged = int(flatAfter.size());
            for (std::size_t k = 0; k < flatAfter.size(); ++k) {
                const FlatPolygon& a = flatBefore[k];
                const FlatPolygon& b = flatAfter[k];
                if (a.color == b.color && a.SameShape(b)) continue;
                unchanged = std::min(unchanged, int(k));
                if (a.color == b.color) {
                    region.AddDifference(a, b);
                } else {
                    region.Add(a);
                    region.Add(b);
                }
            }
        }

        // Full renders, the plain way.
        Image fullBefore(w, h), fullAfter(w, h);
        before.Render(fullBefore);
        after.Render(fullAfter);
        for (int y = 0; y < h - 1; ++y) {
            for (int x = 0; x < w - 1; ++x) {
                if ((PixelAt(fullBefore, x, y) >> 8) == (PixelAt(fullAfter, x, y) >> 8)) continue;
                bool inside = false;
                region.ForEachRange(y, [&](int lo, int hi) { inside |= lo <= x && x <= hi; });
                ASSERT_TRUE(inside) << "round " << round << ": pixel " << x << "," << y
                                    << " changes outside the region";
            }
        }

        // Repaint from the cached layers of `before`, and score.
        LayerCache layers;
        layers.Resize(w, h, int(rng() % 5));
        std::vector<const FlatPolygon*> drawingBefore, drawingAfter;
        for (auto& f : flatBefore) drawingBefore.push_back(&f);
        for (auto& f : flatAfter) drawingAfter.push_back(&f);
        Image work(w, h);
        const Plane goal = PlaneOf(target);
        layers.Rebuild(drawingBefore, work, goal);
        const std::uint64_t errorBefore = work.Compare(target);
        const int level = layers.LevelBelow(unchanged);
        const Plane below = level < 0 ? Plane{} : layers.Level(level);
        const Plane out = PlaneOf(work);
        // With every kernel set this build and processor have: the very same pixels and sum.
        const KernelSet running = RunningKernels();
        for (KernelSet set : {KernelSet::Plain, KernelSet::Sse2, KernelSet::Avx2}) {
            if (!UseKernels(set)) continue;
            PaintScratch active;
            const std::uint64_t old = layers.OrderRows(region, active);
            const std::uint64_t share =
                layers.PaintAndScore(drawingAfter, layers.Position(level), int(drawingAfter.size()),
                                     level < 0 ? nullptr : &below, out, goal, region, UINT64_MAX,
                                     active);
            ASSERT_EQ(errorBefore - old + share, fullAfter.Compare(target))
                << "round " << round << " kernels " << KernelName(set);
            for (int y = 0; y < h - 1; ++y)
                region.ForEachRange(y, [&](int lo, int hi) {
                    for (int x = lo; x <= hi; ++x)
                        ASSERT_EQ(PixelAt(work, x, y) >> 8, PixelAt(fullAfter, x, y) >> 8)
                            << "round " << round << " pixel " << x << "," << y << " kernels " << KernelName(set);
                });
            // Stopping: short of the share it stops somewhere past the limit; above it, the
            // whole share comes back.
            const std::uint64_t half = layers.PaintAndScore(drawingAfter, layers.Position(level), int(drawingAfter.size()),
                                                            level < 0 ? nullptr : &below, out, goal, region, share / 2, active);
            ASSERT_TRUE(half >= share / 2 && half <= share) << "round " << round;
            ASSERT_EQ(layers.PaintAndScore(drawingAfter, layers.Position(level), int(drawingAfter.size()),
                                           level < 0 ? nullptr : &below, out, goal, region, share + 1, active),
                      share);
            std::fill(static_cast<Uint32*>(work.surface->pixels),
                      static_cast<Uint32*>(work.surface->pixels) + w * h, 0x12345678u);  // no paint carries over
        }
        UseKernels(running);
        if (structural) continue;
        // Kept: the kept error follows, everywhere (the running sums to the right of the
        // changed ranges shift with them).
        PaintScratch scratch;
        layers.OrderRows(region, scratch);
        layers.PaintAndScore(drawingAfter, layers.Position(level), int(drawingAfter.size()),
                             level < 0 ? nullptr : &below, out, goal, region, UINT64_MAX, scratch);
        layers.Update(drawingAfter, unchanged, region, out, goal);
        FlatPolygon canvas;
        canvas.xs = {0, short(w), short(w), 0};
        canvas.ys = {0, 0, short(h), short(h)};
        canvas.xmax = w;
        canvas.ymax = h;
        ChangeRegion whole;
        whole.Resize(w, h);
        ASSERT_GT(whole.Rasterize(canvas, 1u << 20), 0u);
        whole.Add(canvas);
        ASSERT_EQ(layers.OrderRows(whole, scratch), fullAfter.Compare(target)) << "round " << round;
        ASSERT_EQ(layers.TotalError(), fullAfter.Compare(target)) << "round " << round;
    }
}

// A third range in a row joins the closest of the two already there, whichever side it comes
// in on: the two stay in order and apart, and cover all three.
TEST(ChangeRegion, AThirdRangeJoinsItsClosestNeighbourInAnyOrder) {
    auto bar = [](int left, int right) {  // columns left..right of rows 2..6
        FlatPolygon p;
        p.xs = {short(left), short(right), short(right), short(left)};
        p.ys = {2, 2, 7, 7};
        p.xmin = left;
        p.xmax = right;
        p.ymin = 2;
        p.ymax = 7;
        return p;
    };
    const std::vector<FlatPolygon> bars = {bar(2, 4), bar(20, 22), bar(25, 27)};
    int order[3] = {0, 1, 2};
    do {
        ChangeRegion region;
        region.Resize(40, 10);
        for (int i : order) region.Add(bars[std::size_t(i)]);
        const ChangeRegion::Row& row = region.rows[4];
        EXPECT_EQ(row[0].lo, 2);
        EXPECT_EQ(row[0].hi, 4);
        EXPECT_EQ(row[1].lo, 20);  // the two close ones together
        EXPECT_EQ(row[1].hi, 27);
    } while (std::next_permutation(order, order + 3));
}

}  // namespace
