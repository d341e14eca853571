#include "evolve/LayerCache.h"

#include "image/KernelChoice.h"

#include "evolve/ChangeRegion.h"
#include "evolve/FlatPolygon.h"
#include "evolve/RegionPaint.h"
#include "image/Image.h"
#include "image/Kernels.h"
#include "image/PolygonScan.h"

#include <algorithm>
#include <cstring>

Plane PlaneOf(const Image& image) {
    return Plane{static_cast<Uint32*>(image.surface->pixels), image.surface->pitch / 4};
}

void LayerCache::Resize(int width_, int height_, int levels_) {
    width = width_;
    height = height_;
    maxLevels = levels_;
    positions.clear();
    levels.clear();
    top.assign(std::size_t(width) * std::size_t(height), 0);
    const ScoredArea area = ScoredAreaOf(width, height);
    countedWidth = area.width;
    countedHeight = area.height;
    errorSums.assign(std::size_t(countedWidth + 1) * std::size_t(countedHeight), 0);
}

void LayerCache::ScoreRange(int y, int lo, int hi, const Plane& goal) {
    std::uint32_t* sums = ErrorSums(y);
    const Uint32* p = top.data() + std::size_t(y) * std::size_t(width);
    const Uint32* q = goal.Row(y);
    const std::uint32_t before = sums[hi + 1];
    // The pixels' errors land where their sums go, and are summed up in place.
    ChosenPixelDistances()(p + lo, q + lo, hi - lo + 1, sums + lo + 1);
    std::uint32_t run = sums[lo];
    for (int x = lo + 1; x <= hi + 1; ++x) sums[x] = run += sums[x];
    // The rest of the row shifts by the range's change (modulo 2^32, where every true sum fits).
    const std::uint32_t shift = run - before;
    if (shift == 0) return;
    int x = hi + 2;
#if POLYEVOLVE_SIMD
    const __m128i add = _mm_set1_epi32(int(shift));
    for (; x + 3 <= countedWidth; x += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(sums + x);
        _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), add));
    }
#endif
    for (; x <= countedWidth; ++x) sums[x] += shift;
}

std::uint64_t LayerCache::TotalError() const {
    std::uint64_t sum = 0;
    for (int y = 0; y < countedHeight; ++y) sum += ErrorSums(y)[countedWidth];
    return sum;
}

void LayerCache::Rebuild(const std::vector<const FlatPolygon*>& drawing, Image& work,
                         const Plane& goal) {
    const int n = int(drawing.size());
    // Levels spread evenly through the painting order; fewer when there are few polygons.
    positions.clear();
    for (int j = 1; j <= maxLevels; ++j) {
        const int position = int(std::int64_t(j) * n / (maxLevels + 1));
        if (position > 0 && position < n && (positions.empty() || position > positions.back()))
            positions.push_back(position);
    }
    levels.resize(positions.size());
    for (auto& level : levels) level.resize(top.size());

    const Plane canvas = PlaneOf(work);
    auto keep = [&](std::vector<Uint32>& into) {
        for (int y = 0; y < height; ++y)
            std::memcpy(into.data() + std::size_t(y) * std::size_t(width), canvas.Row(y),
                        std::size_t(width) * 4);
    };
    work.Clear(Settings::BackgroundPixel());
    std::size_t next = 0;
    for (int i = 0; i < n; ++i) {
        const FlatPolygon& p = *drawing[std::size_t(i)];
        work.Polygon(p.xs.data(), p.ys.data(), p.Count(), p.color);
        if (next < positions.size() && positions[next] == i + 1) keep(levels[next++]);
    }
    keep(top);
    for (int y = 0; y < countedHeight; ++y) ScoreRange(y, 0, countedWidth - 1, goal);
}

int LayerCache::LevelBelow(int unchanged) const {
    int level = -1;
    for (int j = 0; j < int(positions.size()) && positions[std::size_t(j)] <= unchanged; ++j)
        level = j;
    return level;
}

void LayerCache::Update(const std::vector<const FlatPolygon*>& drawing, int unchanged,
                        const ChangeRegion& region, const Plane& work, const Plane& goal) {
    for (int j = 0; j < int(positions.size()); ++j) {
        if (positions[std::size_t(j)] <= unchanged) continue;
        const Plane to = Level(j);
        if (j == 0) {
            CopyRegion(nullptr, to, region);
        } else {
            const Plane from = Level(j - 1);
            CopyRegion(&from, to, region);
        }
        PaintRegion(drawing, Position(j - 1), positions[std::size_t(j)], to, region);
    }
    CopyRegion(&work, Top(), region);
    for (int y = region.firstRow; y <= region.lastRow; ++y)
        region.ForEachRange(y, [&](int lo, int hi) { ScoreRange(y, lo, hi, goal); });
}

void LayerCache::CopyRow(const Plane* from, const Plane& to, const ChangeRegion& region, int y) {
    region.ForEachRange(y, [&](int lo, int hi) {
        const std::size_t bytes = std::size_t(hi - lo + 1) * 4;
        if (from)
            std::memcpy(to.Row(y) + lo, from->Row(y) + lo, bytes);
        else
            FillBackground(to.Row(y) + lo, hi - lo + 1);
    });
}

void LayerCache::CopyRegion(const Plane* from, const Plane& to, const ChangeRegion& region) {
    for (int y = region.firstRow; y <= region.lastRow; ++y) CopyRow(from, to, region, y);
}

void LayerCache::PaintRegion(const std::vector<const FlatPolygon*>& drawing, int first,
                             int last, const Plane& to, const ChangeRegion& region) {
    for (int i = first; i < last; ++i) {
        const FlatPolygon& p = *drawing[std::size_t(i)];
        if (region.Misses(p)) continue;
        const Blend blend = BlendOf(p.color);
        const BlendSpanFn paint = ChosenBlendSpan();
        auto span = [&to, &region, &blend, paint](int y, int left, int right) {
            region.ForEachRange(y, [&](int lo, int hi) {
                const int l = std::max(left, lo), r = std::min(right, hi);
                if (l <= r) paint(to.Row(y), l, r, blend);
            });
        };
        if (p.spansKnown) {
            const int from = std::max(region.firstRow, p.firstSpanRow);
            const int through = std::min(region.lastRow, p.firstSpanRow + p.SpanRows() - 1);
            for (int y = from; y <= through; ++y) {
                if (region.RowEmpty(y)) continue;
                p.ForEachSpanIn(y, [&span, y](int left, int right) { span(y, left, right); });
            }
            continue;
        }
        scan::ScanPolygon(p.xs.data(), p.ys.data(), p.Count(), region.canvasWidth,
                          region.firstRow, region.lastRow, span);
    }
}

std::uint64_t LayerCache::OrderRows(const ChangeRegion& region, PaintScratch& scratch) const {
    // Two passes over the region's rows, the weights first, then each row straight into its
    // place: rows built and copied on the spot would be read back, field by field, before their
    // stores land, which the processor cannot forward and waits for.
    std::vector<std::uint8_t>& weights = scratch.weights;
    weights.clear();
    std::uint64_t total = 0;
    int count[33] = {};
    for (int y = region.firstRow; y <= region.lastRow; ++y) {
        const ChangeRegion::Row& row = region.rows[std::size_t(y)];
        if (row[0].Empty()) continue;
        const std::uint32_t* sums = ErrorSums(y);
        // A row of the counted part sums to under 2^32.
        std::uint32_t weight = sums[row[0].hi + 1] - sums[row[0].lo];
        if (!row[1].Empty()) weight += sums[row[1].hi + 1] - sums[row[1].lo];
        total += weight;
        const int bits = weight ? 32 - __builtin_clz(weight) : 0;
        weights.push_back(std::uint8_t(bits));
        ++count[bits];
    }
    int start[33];
    for (int bits = 32, at = 0; bits >= 0; --bits) {
        start[bits] = at;
        at += count[bits];
    }
    scratch.rows.resize(weights.size());
    for (int y = region.firstRow, k = 0; y <= region.lastRow; ++y) {
        const ChangeRegion::Row& row = region.rows[std::size_t(y)];
        if (row[0].Empty()) continue;
        const int bits = weights[std::size_t(k++)];
        PaintRow& r = scratch.rows[std::size_t(start[bits]++)];
        r.y = y;
        r.lo0 = row[0].lo;
        r.hi0 = row[0].hi;
        r.lo1 = row[1].lo;
        r.hi1 = row[1].hi;
    }
    return total;
}

std::uint64_t LayerCache::PaintAndScore(const std::vector<const FlatPolygon*>& drawing,
                                        int first, int last, const Plane* from,
                                        const Plane& to, const Plane& goal,
                                        const ChangeRegion& region, std::uint64_t limit,
                                        PaintScratch& scratch) const {
    scratch.layers.clear();
    for (int i = first; i < last; ++i) {
        const FlatPolygon& p = *drawing[std::size_t(i)];
        if (region.Misses(p) || (p.spansKnown && p.SpanRows() == 0)) continue;
        if (!p.spansKnown) {  // a polygon too big to keep spans of: one polygon at a time
            CopyRegion(from, to, region);
            PaintRegion(drawing, first, last, to, region);
            return RegionError(to, goal, region, limit);
        }
        scratch.layers.push_back(PaintLayerOf(p));
    }
    PaintJob job;
    job.layers = scratch.layers.data();
    job.layerCount = int(scratch.layers.size());
    job.rows = scratch.rows.data();
    job.rowCount = int(scratch.rows.size());
    if (from) {
        job.from = from->pixels;
        job.fromPitch = from->pitch;
    }
    job.to = to.pixels;
    job.toPitch = to.pitch;
    job.goal = goal.pixels;
    job.goalPitch = goal.pitch;
    job.limit = limit;
    return PaintRows(job);
}

std::uint64_t RegionError(const Plane& a, const Plane& b, const ChangeRegion& region,
                          std::uint64_t limit) {
    std::uint64_t sum = 0;
    const RowDistanceFn distance = ChosenRowDistance();
    for (int y = region.firstRow; y <= region.lastRow; ++y) {
        // A row of the counted part is under 16384 pixels, so its sum fits in 32 bits.
        region.ForEachRange(y, [&](int lo, int hi) {
            sum += distance(a.Row(y) + lo, b.Row(y) + lo, hi - lo + 1);
        });
        if (sum >= limit) break;
    }
    return sum;
}
