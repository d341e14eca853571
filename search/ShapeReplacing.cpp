// Replacing one shape of a full drawing: the layers under it and over it made in bands,
// a shape searched in its place, kept if the drawing's error falls.
#include "search/ShapeSearch.h"

#include "evolve/GeneticTest.h"
#include "genome/Settings.h"
#include "image/KernelChoice.h"
#include "search/SearchParts.h"

#include <algorithm>
#include <cstring>
#include <tuple>

using namespace searchparts;

void ShapeSearch::StartReplacement(GeneticTest& test) {
    StartPolygon(test.draws.Position());
    const int count = int(test.best.polygons.size());
    removed = int(test.draws.Next() % std::uint32_t(count));
    onTop = test.draws.Next() % kTopShare == 0;
    // The layers under it, then the drawing without it, and how much of its layer shows
    // through the polygons above it: the new shape is searched in its place. Rows are made
    // in bands when a shape first needs them (a replacement's climb stays near its polygon).
    if (below.Width() != render.Width() || below.Height() != render.Height()) {
        below = Image(render.Width(), render.Height());
        without = Image(render.Width(), render.Height());
    }
    show.resize(std::size_t(ScoredAreaOf(render.Width(), render.Height()).Pixels()));
    depth.Reset(Pixels(*target), PitchOf(*target), Pixels(below), PitchOf(below), Pixels(without),
                PitchOf(without), show.data(), render.Width(), render.Height());
    bandsMade.assign(std::size_t((render.Height() + kBandRows - 1) / kBandRows), 0);
    // The polygons flat, with the rows they span, for painting band by band.
    flat.resize(test.best.polygons.size());
    auto into = flat.begin();
    for (const DnaPolygon& polygon : test.best.polygons) {
        FlatShape& f = *into++;
        f.shape = polygon.AsShape();
        f.color = polygon.color;
        std::tie(f.top, f.bottom) = KindOf(f.shape).Rows(f.shape);
    }
    // The climb starts from the polygon it replaces (random shapes nearly never beat it);
    // only a polygon of fewer than three vertices, from a damaged file, takes random starts.
    effort = kReplacing;
    Shape seed = flat[std::size_t(removed)].shape;
    for (short& x : seed.xs) x = short(std::clamp<int>(x, 0, render.Width() - 1));
    for (short& y : seed.ys) y = short(std::clamp<int>(y, 0, render.Height() - 1));
    const ShapeMaker maker(render.Width(), render.Height(), Settings::MaxPoints, kinds);
    const bool outlined = KindOf(seed).Outlined();
    if (outlined) seed.kind = maker.OutlineKind(seed.xs.data(), seed.ys.data(), seed.Count());
    // A polygon of a kind not drawn (the first random triangles, say) becomes its bounding
    // rectangle where rectangles are drawn, else random starts replace it.
    if (outlined && seed.Count() >= 3 && !maker.Fits(seed)) {
        if (!(kinds & kRectangle)) return;
        const auto [left, right] = std::minmax_element(seed.xs.begin(), seed.xs.end());
        const auto [top, bottom] = std::minmax_element(seed.ys.begin(), seed.ys.end());
        seed.xs = {*left, *right, *right, *left};
        seed.ys = {*top, *top, *bottom, *bottom};
        seed.kind = kRectanglePlace;
    }
    if ((outlined && seed.Count() < 3) || !maker.Fits(seed)) return;
    phase = Phase::Climb;
    const auto [low, high] = KindOf(seed).Rows(seed);
    MakeRows(low, high);
    current = Ranked{seed, Score(seed, rowStep)};
    best = current;
    top.assign(1, current);
}

void ShapeSearch::MakeRows(int y0, int y1) {
    if (removed < 0) return;
    std::vector<int> bands;
    for (int band = std::max(y0, 0) / kBandRows; band <= std::min(y1, render.Height() - 1) / kBandRows; ++band)
        if (!bandsMade[std::size_t(band)]) bands.push_back(band);
    MakeBands(bands);
}

void ShapeSearch::MakeBands(const std::vector<int>& bands) {
    if (bands.empty()) return;
    // On threads, bands are painted in parts side by side (the very same rows): the fewest
    // parts a band that still give each thread two and every thread as many. One thread
    // paints whole bands, the cheapest way.
    const int threads = pool.Threads(), count = int(bands.size());
    int parts = 1;
    while (parts < kBandRows / kPartRows && threads > 1 && (count * parts < 2 * threads || count * parts % threads != 0))
        parts *= 2;
    const int rows = kBandRows / parts;
    pool.For(int(bands.size()) * parts, [&](int i, int) {
        const int y0 = bands[std::size_t(i / parts)] * kBandRows + i % parts * rows;
        if (y0 < render.Height()) PaintWithout(y0, std::min(render.Height(), y0 + rows) - 1);
    });
    for (int band : bands) bandsMade[std::size_t(band)] = 1;
}

std::pair<int, int> ShapeSearch::BandsOf(const Shape& shape) const {
    const auto [low, high] = KindOf(shape).Rows(shape);
    if (high < low || high < 0 || low >= render.Height()) return {0, -1};
    return {std::max(low, 0) / kBandRows, std::min(high, render.Height() - 1) / kBandRows};
}

bool ShapeSearch::RowsMade(const Shape& shape) const {
    if (removed < 0) return true;
    const auto [first, last] = BandsOf(shape);
    for (int band = first; band <= last; ++band)
        if (!bandsMade[std::size_t(band)]) return false;
    return true;
}

void ShapeSearch::PaintWithout(int y0, int y1) {
    const int width = depth.ScoredWidth();
    for (int y = y0; y <= std::min(y1, depth.ScoredHeight() - 1); ++y)
        std::fill_n(show.begin() + std::ptrdiff_t(y) * width, width, 1.0);
    const std::size_t pitch = std::size_t(without.surface->pitch);
    std::fill_n(reinterpret_cast<Uint32*>(static_cast<Uint8*>(without.surface->pixels) + pitch * std::size_t(y0)),
                pitch / 4 * std::size_t(y1 - y0 + 1), Uint32(Settings::BackgroundPixel()));
    for (int i = 0; i < int(flat.size()); ++i) {
        if (i == removed) {
            if (!onTop) CopyRows(below, without, y0, y1);
            continue;
        }
        const FlatShape& f = flat[std::size_t(i)];
        if (f.bottom < y0 || f.top > y1) continue;
        PaintShape(without, f.shape, f.color, y0, y1);
        if (i > removed && !onTop) Shade(f, y0, y1);
    }
    if (onTop) CopyRows(below, without, y0, y1);
    depth.SumRows(y0, y1);
}

void ShapeSearch::Shade(const FlatShape& polygon, int y0, int y1) {
    const double keep = (255 - int(polygon.color & 0xff)) / 256.0;
    // The very spans the fill paints: a pixel painted twice is shaded twice.
    const int width = depth.ScoredWidth();
    ForSpans(polygon.shape, render.Width(), y0, std::min(y1, depth.ScoredHeight() - 1),
             [this, width, keep](int y, int left, int right) {
                 double* row = show.data() + std::size_t(y) * std::size_t(width);
                 for (int x = left; x <= std::min(right, width - 1); ++x) row[x] *= keep;
             });
}

bool ShapeSearch::Replace(GeneticTest& test, const Shape& shape) {
    const auto old = std::next(test.best.polygons.begin(), removed);
    // Only the rows either shape crosses change.
    const auto [low, high] = KindOf(shape).Rows(shape);
    const FlatShape& own = flat[std::size_t(removed)];
    int y0 = low, y1 = high;
    if (own.top <= own.bottom) {
        y0 = std::min(y0, own.top);
        y1 = std::max(y1, own.bottom);
    }
    y0 = std::max(y0, 0);
    y1 = std::min(y1, render.Height() - 1);
    MakeRows(y0, y1);
    const Paint paint = Score(shape, rowStep);
    const bool top = onTop;
    const int replaced = removed;
    removed = -1;
    if (paint.delta < 0) {
        const DnaPolygon made = DnaPolygon::Of(shape, paint.color);
        // The paint's error is a model's (the blend's rounding, shading as a product): the
        // new drawing's rows are painted for real (over those of the drawing without it, whose
        // part is done), the layers under it, the new polygon, those above, and compared.
        const auto [before, after] = PaintRows(y0, y1, [&](int a, int b) {
            CopyRows(without, below, a, b);
            made.Render(without, a, b);
            if (!top)
                for (std::size_t i = std::size_t(replaced) + 1; i < flat.size(); ++i)
                    if (flat[i].bottom >= a && flat[i].top <= b)
                        PaintShape(without, flat[i].shape, flat[i].color, a, b);
            return RowErrors(without, a, b);
        });
        if (after < before) {
            CopyRows(render, without, y0, y1);
            cover.UpdateRows(y0, y1, pool);
            if (top) {
                test.best.polygons.erase(old);
                test.best.polygons.push_back(made);
            } else {
                *old = made;
            }
            test.bestError = cover.Error();
            Sign(test.best, signature);
            return true;
        }
    }
    return false;
}
