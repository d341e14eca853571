#pragma once

#include "evolve/RegionPaint.h"
#include "image/Kernels.h"

#include <SDL.h>

#include <cstdint>
#include <vector>

class ChangeRegion;
class Image;

// Pixels in the canvas layout, `pitch` pixels from one row to the next.
struct Plane {
    Uint32* pixels = nullptr;
    int pitch = 0;
    Uint32* Row(int y) const { return pixels + std::ptrdiff_t(y) * pitch; }
};

Plane PlaneOf(const Image& image);

// Renders of the best drawing kept for the fast evaluator: the whole drawing (`top`), and a
// few partial ones, level j holding the first positions[j] polygons painted over black.
// A candidate that leaves the first L polygons alone starts from the highest level at or
// below L and paints only the polygons above it, and only inside the changed region.
class LayerCache {
public:
    // Caches for a canvas of this size, with at most `levels` partial renders (beside them,
    // the whole drawing's render and its pixels' errors take two canvases' worth).
    void Resize(int width, int height, int levels);
    // Renders `drawing` from scratch into `work` and every level, and scores the whole
    // drawing against `goal`; `work` ends up holding the whole drawing.
    void Rebuild(const std::vector<const FlatPolygon*>& drawing, Image& work, const Plane& goal);
    // The whole drawing's error inside the region, from the kept sums; the region's rows go
    // into `scratch` for PaintAndScore, heaviest first by that error (to a factor of two): a
    // losing candidate is mostly worse where there is much to lose, so its sum passes the
    // limit sooner and the lightest rows go unpainted.
    std::uint64_t OrderRows(const ChangeRegion& region, PaintScratch& scratch) const;
    // The whole drawing's error, from the kept sums.
    std::uint64_t TotalError() const;
    // The highest level whose polygons all lie below layer `unchanged` (-1: none, start black).
    int LevelBelow(int unchanged) const;
    int Position(int level) const { return level < 0 ? 0 : positions[std::size_t(level)]; }
    int Levels() const { return int(positions.size()); }
    Plane Top() { return Plane{top.data(), width}; }
    Plane Level(int level) const {
        return Plane{const_cast<Uint32*>(levels[std::size_t(level)].data()), width};
    }
    // After an accepted candidate that kept the polygon count and order and changed nothing
    // below layer `unchanged`: brings every level above it and the top up to date inside the
    // region. `work` holds the candidate's render there.
    void Update(const std::vector<const FlatPolygon*>& drawing, int unchanged,
                const ChangeRegion& region, const Plane& work, const Plane& goal);

    // Copies the region from `from` (or black, with a null `from`) into `to`; or one row of it.
    static void CopyRegion(const Plane* from, const Plane& to, const ChangeRegion& region);
    static void CopyRow(const Plane* from, const Plane& to, const ChangeRegion& region, int y);
    // Paints polygons [first, last) of the drawing into `to`, inside the region only.
    static void PaintRegion(const std::vector<const FlatPolygon*>& drawing, int first, int last,
                            const Plane& to, const ChangeRegion& region);

    // Paints polygons [first, last) of the drawing into `to` inside the region, over `from`
    // (black when null), and sums the region's error against `goal` as it goes, row by row in
    // the order OrderRows left in `scratch` for this region; stops once the sum reaches
    // `limit`, leaving the rows after unpainted.
    // `scratch` is the caller's, so that several threads can paint at once.
    std::uint64_t PaintAndScore(const std::vector<const FlatPolygon*>& drawing, int first,
                                int last, const Plane* from, const Plane& to, const Plane& goal,
                                const ChangeRegion& region, std::uint64_t limit,
                                PaintScratch& scratch) const;

private:
    int width = 0, height = 0, maxLevels = 0;
    std::vector<int> positions;
    std::vector<std::vector<Uint32>> levels;
    std::vector<Uint32> top;
    // The top's error summed along each row of the counted part: entry x of a row holds the
    // sum over its first x pixels (countedWidth + 1 entries to a row), so that any range's
    // error is one difference. A row sums to under 2^32.
    int countedWidth = 0, countedHeight = 0;
    std::vector<std::uint32_t> errorSums;
    std::uint32_t* ErrorSums(int y) {
        return errorSums.data() + std::size_t(y) * std::size_t(countedWidth + 1);
    }
    const std::uint32_t* ErrorSums(int y) const {
        return errorSums.data() + std::size_t(y) * std::size_t(countedWidth + 1);
    }
    void ScoreRange(int y, int lo, int hi, const Plane& goal);
};

// Sum of squared colour differences of `a` against `b` over the region, stopping early once
// it reaches `limit` (a value at or above `limit` is all the caller learns then).
std::uint64_t RegionError(const Plane& a, const Plane& b, const ChangeRegion& region,
                          std::uint64_t limit = UINT64_MAX);
