#include "search/ShapeSearch.h"

#include "evolve/GeneticTest.h"
#include "genome/Settings.h"
#include "image/KernelChoice.h"
#include "image/PolygonScan.h"
#include "shapes/ShapePaint.h"

#include <algorithm>
#include <cstring>
#include <tuple>

ShapeSearch::ShapeSearch(int threads_, unsigned kinds_)
    : threads(std::max(threads_, 1)), kinds(kinds_), pool(threads) {
    batch.resize(kBatch);
    starts.resize(kBatch);
    found.resize(std::size_t(pool.Threads()));
}

ShapeSearch::~ShapeSearch() = default;

namespace {

// (score, order): the lower score wins, and of equal ones the earlier.
bool Before(double a, int i, double b, int j) { return a < b || (a == b && i < j); }

Uint32* Pixels(const Image& image) { return static_cast<Uint32*>(image.surface->pixels); }
int PitchOf(const Image& image) { return image.surface->pitch / 4; }

// Rows y0..y1 of one picture into another of the same size.
void CopyRows(Image& to, const Image& from, int y0, int y1) {
    const std::size_t pitch = std::size_t(from.surface->pitch);
    std::memcpy(static_cast<Uint8*>(to.surface->pixels) + pitch * std::size_t(y0),
                static_cast<const Uint8*>(from.surface->pixels) + pitch * std::size_t(y0),
                pitch * std::size_t(y1 - y0 + 1));
}

// The spans of a shape on rows y0..y1 (of those, every step-th from y0, a power of two), to
// `span`: a polygon's straight from the fill's scan.
template <class Fn>
void ForSpans(const Shape& shape, int width, int y0, int y1, Fn&& span, int step = 1) {
    if (KindOf(shape).Outlined())
        return scan::ScanPolygon(shape.xs.data(), shape.ys.data(), shape.Count(), width, y0, y1,
                                 [&span, y0, mask = step - 1](int y, int left, int right) {
                                     if (((y - y0) & mask) == 0) span(y, left, right);
                                 });
    thread_local std::vector<ShapeSpan> spans;
    SpansOf(shape, width, y0, y1, spans, step);
    for (const ShapeSpan& s : spans) span(s.y, s.left, s.right);
}

}  // namespace

ShapeSearch::Effort ShapeSearch::EffortFor(std::size_t polygons) {
    // The first polygons are the large ones, the dearest to climb, and later ones cover much
    // of them: a quick search for them puts a fair picture up sooner, and the replacements
    // of a full drawing make up for it later.
    if (double(polygons) < kQuickShare * Settings::MaxPolygons) return Effort{16, 1, 4};
    return Effort{kStarts, kClimbed, kPatience};
}

void ShapeSearch::Sign(const DnaDrawing& drawing, std::vector<std::int32_t>& into) const {
    into.clear();
    for (const DnaPolygon& polygon : drawing.polygons) {
        into.push_back(std::int32_t(polygon.color));
        into.push_back(std::int32_t(polygon.points.size()));
        into.push_back(polygon.kind);
        for (float v : polygon.params) {
            std::int32_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            into.push_back(bits);
        }
        // Both 16-bit halves as they are, in unsigned arithmetic: any vertex, -32768 too.
        for (const DnaPoint& p : polygon.points)
            into.push_back(std::int32_t(std::uint32_t(std::uint16_t(p.x)) << 16 | std::uint16_t(p.y)));
    }
}

bool ShapeSearch::Placed(const GeneticTest& test) const {
    return test.target == target && render.surface && render.Width() == test.target->Width() &&
           render.Height() == test.target->Height();
}

bool ShapeSearch::Current(const GeneticTest& test) {
    if (!Placed(test)) return false;
    Sign(test.best, seen);
    return seen == signature;
}

void ShapeSearch::Rebuild(GeneticTest& test) {
    target = test.target;
    render = Image(target->Width(), target->Height());
    test.best.Render(render);
    cover.Reset(Pixels(*target), PitchOf(*target), Pixels(render), PitchOf(render), render.Width(),
                render.Height());
    test.bestError = cover.Error();
    Sign(test.best, signature);
    // Without running sums a candidate costs its every pixel: on a huge picture, rows are
    // sampled so that a batch (the window's step) stays short.
    rowStep = 1;
    while (!cover.Prefixed() && std::uint64_t(cover.ScoredHeight() / rowStep) * std::uint64_t(cover.ScoredWidth()) > kPixelsScored)
        rowStep *= 2;
    // A replacement under way belonged to the drawing met before.
    removed = -1;
    if (Full(test))
        StartReplacement(test);
    else
        StartPolygon(test.draws.Position());
}

bool ShapeSearch::Full(const GeneticTest& test) {
    return int(test.best.polygons.size()) >= Settings::MaxPolygons;
}

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

void ShapeSearch::StartPolygon(std::uint64_t position) {
    polygonStart = position;
    phase = Phase::Starts;
    batchesDone = 0;
    top.clear();
    climbing = 0;
    stale = 0;
}

namespace {

// The best paint of a shape from the sums `adder` gives over every rowStep-th of its rows.
template <class Adder>
Paint ScoredBy(Adder adder, const Shape& shape, int width, int height, int rowStep) {
    ForSpans(shape, width, 0, height - 1, [&adder](int y, int left, int right) { adder.Add(y, left, right); }, rowStep);
    return BestPaint(adder.Sums(), Settings::AlphaMin, Settings::AlphaMax);
}

}  // namespace

Paint ShapeSearch::Score(const Shape& shape, int rowStep) const {
    if (removed >= 0) return ScoredBy(DepthAdder(depth), shape, render.Width(), depth.ScoredHeight(), rowStep);
    return ScoredBy(SpanAdder(cover), shape, render.Width(), cover.ScoredHeight(), rowStep);
}

bool ShapeSearch::ScoreBatch(Phase kind, const ShapeMaker& maker, DrawStream& draws, int rowStep) {
    // The draws are taken in order here; the shapes are made from them side by side.
    const std::uint64_t from = draws.Position();
    ++round;
    const auto make = [this, kind, &maker, &draws, rowStep](int i, int thread) {
        DrawsAt at(draws, starts[std::size_t(i)]);
        Shape& shape = batch[std::size_t(i)];
        if (kind == Phase::Starts)
            maker.Random(at, shape);
        else
            maker.Change(at, current.shape, shape);
        if (RowsMade(shape))
            Note(i, thread, Score(shape, rowStep));
        else
            FoundBy(thread).late.push_back(i);
    };
    // The caller takes the draws of each thread's shapes in turn, and that thread starts on
    // them; the drawing is compared last, while the others make and score theirs.
    bool same = true;
    DrawsOn on(draws);
    pool.For(kBatch, make, [&](int a, int b) {
        for (int i = a; i < b; ++i) {
            starts[std::size_t(i)] = draws.Position();
            if (kind == Phase::Starts)
                maker.SkipRandom(on);
            else
                maker.SkipChange(on, current.shape);
        }
        if (b == kBatch) same = !checking || Current(*checking);
    });
    if (!same) {
        changed = true;
        draws.Seek(from);  // a batch's draws are well within reach
        return false;
    }
    // Shapes over rows a replacement has not made yet: those rows are made side by side (a
    // thread making them inside the batch would keep the others waiting), then the shapes
    // are scored.
    std::vector<int> late, bands;
    for (const Found& f : found)
        if (f.round == round) late.insert(late.end(), f.late.begin(), f.late.end());
    for (int i : late) {
        const auto [first, last] = BandsOf(batch[std::size_t(i)]);
        for (int band = first; band <= last; ++band)
            if (!bandsMade[std::size_t(band)] && std::find(bands.begin(), bands.end(), band) == bands.end()) bands.push_back(band);
    }
    MakeBands(bands);
    pool.For(int(late.size()), [this, &late, rowStep](int j, int thread) {
        const int i = late[std::size_t(j)];
        Note(i, thread, Score(batch[std::size_t(i)], rowStep));
    });
    scored += std::uint64_t(kBatch);
    return true;
}

ShapeSearch::Found& ShapeSearch::FoundBy(int thread) {
    Found& f = found[std::size_t(thread)];
    if (f.round != round) {
        f.round = round;
        f.kept = 0;
        f.late.clear();
    }
    return f;
}

void ShapeSearch::Note(int i, int thread, const Paint& paint) {
    Found& f = FoundBy(thread);
    int at = f.kept;
    while (at > 0 && Before(paint.delta, i, f.paint[at - 1].delta, f.index[at - 1])) --at;
    if (at >= kClimbed) return;
    for (int j = std::min(f.kept, kClimbed - 1); j > at; --j) {
        f.paint[j] = f.paint[j - 1];
        f.index[j] = f.index[j - 1];
    }
    f.paint[at] = paint;
    f.index[at] = i;
    f.kept = std::min(f.kept + 1, kClimbed);
}

std::vector<std::pair<int, Paint>> ShapeSearch::Kept() const {
    // Each thread's best few hold the batch's best few, whichever thread scored what.
    std::vector<std::pair<int, Paint>> kept;
    for (const Found& f : found)
        if (f.round == round)
            for (int j = 0; j < f.kept; ++j) kept.emplace_back(f.index[j], f.paint[j]);
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return kept;
}

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

bool ShapeSearch::Evolve(GeneticTest& test) {
    const bool nothing = !test.target || !test.target->surface ||
                         ScoredAreaOf(test.target->Width(), test.target->Height()).Pixels() == 0 ||
                         (Full(test) && test.best.polygons.empty());
    // A full drawing is refined by turns, as its generation counts: the exact run's operators,
    // then polygons replaced (a replacement under way is finished first).
    const bool exactTurn = test.generation % kRefineCycle < kExactTurn && kinds == kPolygon;
    if (nothing || (Full(test) && removed < 0 && !replaceNext && exactTurn)) {
        if (!refiner) refiner = MakeEvaluator(EvaluatorKind::Fast, threads);
        refining = true;
        return refiner->Evolve(test);
    }
    refining = false;
    replaceNext = false;
    // Whether the drawing is the one the render shows (a walk of all of it) is asked beside
    // the batch where nothing before it needs the answer; another drawing throws it away.
    bool check = false;
    if (!Placed(test))
        Rebuild(test);
    else if (!(Full(test) && removed < 0))
        check = true;
    else if (Current(test))
        StartReplacement(test);
    else
        Rebuild(test);
    test.generation += std::uint32_t(kBatch);
    const bool better = Batch(test, check);
    if (!changed) return better;
    Rebuild(test);
    return Batch(test, false);
}

bool ShapeSearch::Batch(GeneticTest& test, bool check) {
    checking = check ? &test : nullptr;
    changed = false;
    return phase == Phase::Starts ? StartsBatch(test) : ClimbBatch(test);
}

bool ShapeSearch::StartsBatch(GeneticTest& test) {
    const ShapeMaker maker(render.Width(), render.Height(), Settings::MaxPoints, kinds);
    if (batchesDone == 0)
        effort = removed >= 0 ? kReplacing : EffortFor(test.best.polygons.size());
    if (!ScoreBatch(Phase::Starts, maker, test.draws, kStartRows * rowStep)) return false;
    for (const auto& [i, p] : Kept()) {
        // Insert by (score, order) among the best to climb; earlier batches come first.
        std::size_t at = top.size();
        while (at > 0 && p.delta < top[at - 1].paint.delta) --at;
        if (at >= std::size_t(effort.climbed)) continue;
        top.insert(top.begin() + std::ptrdiff_t(at), Ranked{batch[std::size_t(i)], p});
        if (top.size() > std::size_t(effort.climbed)) top.pop_back();
    }
    if (++batchesDone == effort.starts) {
        // Every fourth scored row ranked them; the climbs compare scores over every scored row.
        for (Ranked& r : top) r.paint = Score(r.shape, rowStep);
        // A few at most: an insertion sort, which keeps equal ones in their order.
        for (std::size_t i = 1; i < top.size(); ++i)
            for (std::size_t j = i; j > 0 && top[j].paint.delta < top[j - 1].paint.delta; --j) std::swap(top[j], top[j - 1]);
        phase = Phase::Climb;
        climbing = 0;
        current = top.front();
        best = current;
        stale = 0;
    }
    return false;
}

bool ShapeSearch::ClimbBatch(GeneticTest& test) {
    const ShapeMaker maker(render.Width(), render.Height(), Settings::MaxPoints, kinds);
    if (!ScoreBatch(Phase::Climb, maker, test.draws, rowStep)) return false;
    // Each thread's best, the first of the lowest: the batch's, as if all were compared.
    const Found* winner = nullptr;
    for (const Found& f : found)
        if (f.round == round && f.kept > 0 &&
            (!winner || Before(f.paint[0].delta, f.index[0], winner->paint[0].delta, winner->index[0])))
            winner = &f;
    if (winner && winner->paint[0].delta < current.paint.delta) {
        current = Ranked{batch[std::size_t(winner->index[0])], winner->paint[0]};
        stale = 0;
    } else if (++stale >= effort.patience) {
        if (current.paint.delta < best.paint.delta) best = current;
        if (++climbing < top.size()) {
            current = top[climbing];
            stale = 0;
            return false;
        }
        const Shape chosen = best.shape;
        StartPolygon(test.draws.Position());
        return Commit(test, chosen);
    }
    return false;
}

std::uint64_t ShapeSearch::ReplayFrom(const GeneticTest& test) const {
    return refining || !render.surface ? test.draws.Position() : polygonStart;
}

void ShapeSearch::Resume(GeneticTest& test, std::uint64_t from, std::uint64_t to) {
    if (from < to && test.draws.GoTo(from)) {
        const std::uint32_t generation = test.generation;
        refining = false;
        removed = -1;
        replaceNext = Full(test);  // only a replacement is ever under way in a full drawing
        render = Image(0, 0);  // a search of its own, begun at `from`
        // A record that does not fit its progress file may commit, or stand still.
        for (std::uint64_t at = test.draws.Position(); at < to; at = test.draws.Position())
            if (Evolve(test) || test.draws.Position() <= at) break;
        test.generation = generation;
    }
    test.draws.GoTo(to);
}
