// Placing one shape on top of the drawing: its exact paint, painted for real, kept if the
// error falls.
#include "search/ShapeSearch.h"

#include "evolve/GeneticTest.h"
#include "genome/Settings.h"
#include "image/KernelChoice.h"
#include "search/SearchParts.h"

#include <algorithm>
#include <cstring>
#include <tuple>

using namespace searchparts;

bool ShapeSearch::Place(const Shape& shape, unsigned& color) {
    CoverSums sums;
    std::vector<Span> spans;
    ForSpans(shape, render.Width(), 0, cover.ScoredHeight() - 1, [this, &sums, &spans](int y, int left, int right) {
        right = std::min(right, cover.ScoredWidth() - 1);
        if (left > right) return;
        spans.push_back(Span{y, left, right});
        cover.AddSpan(y, left, right, sums);
    });
    if (sums.n == 0) return false;
    // The closed form's alpha and those next to it, each with its exact best colour (side by
    // side), the first of the best kept.
    const int fitted = int(BestPaint(sums, Settings::AlphaMin, Settings::AlphaMax).color & 0xff);
    const int first = std::max(Settings::AlphaMin, fitted - 2), count = std::min(Settings::AlphaMax, fitted + 2) - first + 1;
    if (count <= 0) return false;
    Paint tried[5];
    pool.For(count, [&](int i, int) { tried[i] = ExactPaint(cover, spans, first + i); });
    Paint paint = tried[0];
    for (int i = 1; i < count; ++i)
        if (tried[i].delta < paint.delta) paint = tried[i];
    if (paint.delta >= 0) return false;

    // Painted for real: a pixel the fill paints twice is blended twice, so the error is
    // measured on the render itself, and the rows put back if it did not fall.
    const auto [low, high] = KindOf(shape).Rows(shape);
    const int y0 = std::max(low, 0), y1 = std::min(high, render.Height() - 1);
    const std::size_t pitch = std::size_t(render.surface->pitch);
    std::vector<Uint8> saved(pitch * std::size_t(y1 - y0 + 1));
    Uint8* rows = static_cast<Uint8*>(render.surface->pixels) + pitch * std::size_t(y0);
    std::memcpy(saved.data(), rows, saved.size());
    const auto [before, after] = PaintRows(y0, y1, [&](int a, int b) {
        PaintShape(render, shape, paint.color, a, b);
        return RowErrors(render, a, b);
    });
    if (after >= before) {
        std::memcpy(rows, saved.data(), saved.size());
        return false;
    }
    cover.UpdateRows(y0, y1, pool);
    color = paint.color;
    return true;
}

bool ShapeSearch::Commit(GeneticTest& test, const Shape& shape) {
    if (removed >= 0) return Replace(test, shape);
    unsigned color = 0;
    if (!Place(shape, color)) return false;
    test.bestError = cover.Error();
    test.best.polygons.push_back(DnaPolygon::Of(shape, color));
    Sign(test.best, signature);
    return true;
}

std::pair<std::uint64_t, std::uint64_t> ShapeSearch::PaintRows(
    int y0, int y1, const std::function<std::pair<std::uint64_t, std::uint64_t>(int, int)>& paint) {
    std::pair<std::uint64_t, std::uint64_t> errors[WorkPool::kMaxParts] = {};
    const int parts = pool.ForRows(y0, y1, kPaintRows, [&](int i, int a, int b) { errors[i] = paint(a, b); });
    std::pair<std::uint64_t, std::uint64_t> sum{0, 0};
    for (int i = 0; i < parts; ++i) {
        sum.first += errors[i].first;
        sum.second += errors[i].second;
    }
    return sum;
}

std::pair<std::uint64_t, std::uint64_t> ShapeSearch::RowErrors(const Image& painted, int y0, int y1) const {
    std::uint64_t before = 0, after = 0;
    const RowDistanceFn distance = ChosenRowDistance();
    for (int y = std::max(y0, 0); y <= std::min(y1, cover.ScoredHeight() - 1); ++y) {
        const Uint32* r = Pixels(painted) + std::size_t(y) * std::size_t(PitchOf(painted));
        const Uint32* t = Pixels(*target) + std::size_t(y) * std::size_t(PitchOf(*target));
        after += distance(r, t, cover.ScoredWidth());
        for (int x = 0; x < cover.ScoredWidth(); ++x) before += cover.PixelError(x, y);
    }
    return {before, after};
}
